# Where everything goes under the prefix, as other desktop programs lay it out.
include(GNUInstallDirs)

install(TARGETS kinetrope-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES demo/demo.flc DESTINATION ${CMAKE_INSTALL_DATADIR}/kinetrope)

if(KINETROPE_GUI)
  install(TARGETS kinetrope RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES desktop/kinetrope.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES desktop/kinetrope-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kinetrope.xml)
  foreach(size ${KINETROPE_ICON_SIZES})
    install(FILES desktop/icons/hicolor/${size}x${size}/apps/kinetrope.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

add_subdirectory(man)
