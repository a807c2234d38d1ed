#!/usr/bin/env bash
# End to end on a virtual X display without a window manager: the window
# placement checks of lib/window_placement_checks.sh. The same checks run
# under openbox in e2e_window_placement_openbox.sh.
#
# usage: e2e_window_placement.sh BUILD_DIR
set -u

E2E_PACKAGES="xdotool x11-utils"
source "$(dirname "$0")/lib/e2e_common.sh"
source "$source_dir/tests/scripts/lib/window_placement_checks.sh"
