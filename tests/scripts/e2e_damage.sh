#!/usr/bin/env bash
# The picture control's damage test (every frame of real flics painted only
# where it changed) against a real X server's pixels, bare and under openbox.
#
# usage: e2e_damage.sh BUILD_DIR
set -u
E2E_PACKAGES="openbox x11-utils"
source "$(dirname "$0")/lib/e2e_common.sh"

for display in bare openbox; do
  if [ "$display" = openbox ]; then
    HOME="$work" XDG_CONFIG_HOME="$work/wm-config" openbox > "$work/window-manager.log" 2>&1 &
    window_manager_pid=$!
    for _ in $(seq 1 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' && break; sleep 0.1; done
  fi
  "$build_dir/tests/views_tests" --gtest_filter='DisplayImageDamage.*' > "$work/$display.log" 2>&1 &&
    grep -q '\[  PASSED  \] 1 test' "$work/$display.log" ||
    fail "partial paints differ from a whole paint ($display): $(grep -A3 Failure "$work/$display.log" | head -n 12)"
done
echo "PASS: partial paints equal whole paints on the X server, bare and under openbox"
