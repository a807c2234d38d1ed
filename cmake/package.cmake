# cpack -G DEB in a build folder makes two Debian packages from the one
# build, one for each install component: kinetrope (the player) and
# kinetrope-cli (the headless tool). Library dependencies come from
# dpkg-shlibdeps (package dpkg-dev) reading each package's own programs, so
# the tool's package names neither Qt nor SDL; the Qt platform plugin is
# loaded at run time, so the player's package names it here.
set(CPACK_PACKAGE_NAME kinetrope)
set(CPACK_PACKAGE_VENDOR "Kinetrope")
set(CPACK_PACKAGE_CONTACT "Kinetrope developers <maintainers@kinetrope.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${KINETROPE_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Each description's first line is the package's synopsis.
set(CPACK_DEBIAN_PLAYER_PACKAGE_NAME kinetrope)
set(CPACK_DEBIAN_PLAYER_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PLAYER_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Only where no X display is at hand does the player need Wayland's own plugin.
set(CPACK_DEBIAN_PLAYER_PACKAGE_SUGGESTS "qt6-wayland")
set(CPACK_DEBIAN_PLAYER_PACKAGE_RECOMMENDS
    "kinetrope-cli (= ${PROJECT_VERSION}), shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_DEBIAN_PLAYER_DESCRIPTION "player for FLIC animations (.fli, .flc, .cel)
Kinetrope plays Autodesk Animator and Animator Pro flics in a window or full
screen, with brightness, contrast and speed changed while playing, looping,
stepping, WAV accompaniment and recording to bitmaps. It can be driven by
command-line words and scripts.
.
The headless tool, kinetrope-cli, comes in a package of its own.")

set(CPACK_DEBIAN_CLI_PACKAGE_NAME kinetrope-cli)
set(CPACK_DEBIAN_CLI_PACKAGE_SECTION video)
# The 2.52 player package held the tool before it had a package of its own.
set(CPACK_DEBIAN_CLI_PACKAGE_REPLACES "kinetrope (<= 2.52)")
set(CPACK_DEBIAN_CLI_DESCRIPTION "command-line tool for FLIC animations (.fli, .flc, .cel)
kinetrope-cli reads Autodesk Animator and Animator Pro flics with the
Kinetrope player's own decoder, without a display: it shows their figures,
exports their frames as bitmaps, checks damaged files, measures decoding
speed and draws thumbnails, which file managers use through its
freedesktop thumbnailer.")
include(CPack)
