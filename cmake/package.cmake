# cpack -G DEB in a build folder makes the Debian package. Its library
# dependencies come from dpkg-shlibdeps (package dpkg-dev) reading the
# programs; the Qt platform plugin is loaded at run time, so it is named here.
set(CPACK_PACKAGE_NAME kinetrope)
set(CPACK_PACKAGE_VENDOR "Kinetrope")
set(CPACK_PACKAGE_CONTACT "Kinetrope developers <kinetrope@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "player for FLIC animations (.fli, .flc, .cel)")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
# The summary is the synopsis line; this is the extended description.
set(CPACK_PACKAGE_DESCRIPTION
    "Kinetrope plays Autodesk Animator and Animator Pro flics in a window or full
screen, with brightness, contrast and speed changed while playing, looping,
stepping, WAV accompaniment and recording to bitmaps. It can be driven by
command-line words and scripts. kinetrope-cli shows, exports, checks and
benchmarks flics without a display.")
include(CPack)
