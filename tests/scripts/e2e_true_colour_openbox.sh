#!/usr/bin/env bash
# The checks of e2e_true_colour.sh under openbox, which frames the movie
# window and hands the focus as a desktop does.
#
# usage: e2e_true_colour_openbox.sh BUILD_DIR
set -u
E2E_WINDOW_MANAGER=openbox
export E2E_WINDOW_MANAGER
source "$(dirname "$0")/e2e_true_colour.sh"
