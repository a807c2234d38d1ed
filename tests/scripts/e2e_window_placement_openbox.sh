#!/usr/bin/env bash
# End to end on a virtual X display with openbox as the window manager, so
# windows get frames, states and focus as on a desktop: the window placement
# checks of lib/window_placement_checks.sh.
#
# usage: e2e_window_placement_openbox.sh BUILD_DIR
set -u

E2E_PACKAGES="xdotool x11-utils"
E2E_WINDOW_MANAGER=openbox
export E2E_WINDOW_MANAGER
source "$(dirname "$0")/lib/e2e_common.sh"
source "$source_dir/tests/scripts/lib/window_placement_checks.sh"
