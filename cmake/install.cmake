# Where everything goes under the prefix, as other desktop programs lay it
# out. Two install components make the two Debian packages: "player" (the
# player and what the desktop needs of it) and "cli" (the headless tool and
# its thumbnailer), which a server installs without Qt or SDL.
include(GNUInstallDirs)

install(TARGETS kinetrope-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
install(FILES desktop/kinetrope.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers COMPONENT cli)
# Shell completion, each program's in its own package: bash-completion loads a
# file named as the command when it is first completed; zsh reads Debian's
# vendor-completions folder.
install(FILES desktop/completions/kinetrope-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME kinetrope-cli COMPONENT cli)
install(FILES desktop/completions/_kinetrope-cli DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions
        COMPONENT cli)

if(KINETROPE_GUI)
  install(TARGETS kinetrope RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT player)
  # Private modules, found by the player beside its bin folder, so not under
  # the multiarch library folder that GNUInstallDirs may choose; a folder
  # below lib/kinetrope, since for libraries in lib/ or one folder down CPack
  # adds ldconfig calls that Debian's triggers have replaced.
  install(TARGETS kinetrope_sound kinetrope_export LIBRARY DESTINATION lib/kinetrope/modules COMPONENT player
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  install(FILES demo/demo.flc DESTINATION ${CMAKE_INSTALL_DATADIR}/kinetrope COMPONENT player)
  install(FILES desktop/kinetrope.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT player)
  install(FILES desktop/kinetrope-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kinetrope.xml
          COMPONENT player)
  install(FILES desktop/org.kinetrope.Kinetrope.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
          COMPONENT player)
  install(FILES desktop/completions/kinetrope.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME kinetrope COMPONENT player)
  install(FILES desktop/completions/_kinetrope DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions
          COMPONENT player)
  install(FILES desktop/icons/hicolor/scalable/apps/kinetrope.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT player)
  foreach(size ${KINETROPE_ICON_SIZES})
    install(FILES desktop/icons/hicolor/${size}x${size}/apps/kinetrope.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT player)
  endforeach()
endif()

# Each package carries the copyright file and the changelog in its own
# documentation folder, the changelog gzipped without a time stamp so that
# the package builds the same each time.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND sh -c [["$1" -9 -n -c "$2" > "$3.tmp" && mv "$3.tmp" "$3"]] sh ${GZIP_PROGRAM}
          ${CMAKE_SOURCE_DIR}/packaging/changelog ${changelog_gz}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${changelog_gz})
set(KINETROPE_COMPONENTS cli)
if(KINETROPE_GUI)
  list(APPEND KINETROPE_COMPONENTS player)
endif()
foreach(component ${KINETROPE_COMPONENTS})
  set(package kinetrope-cli)
  if(component STREQUAL "player")
    set(package kinetrope)
  endif()
  install(FILES packaging/copyright ${changelog_gz} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
          COMPONENT ${component})
endforeach()

add_subdirectory(man)
