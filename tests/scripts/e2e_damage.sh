#!/usr/bin/env bash
# Frames painted only where they changed, against a real X server's pixels
# (Xvfb), bare and under openbox: the picture control's damage test, every
# frame of real 8-bit and true-colour flics, in a window and full screen.
#
# usage: e2e_damage.sh BUILD_DIR
set -u

E2E_PACKAGES="openbox x11-utils"
source "$(dirname "$0")/lib/e2e_common.sh"

tests="$build_dir/tests/views_tests"
[ -x "$tests" ] || fail "$tests is not built"
run_damage_test() {
  QT_QPA_PLATFORM=xcb "$tests" --gtest_filter='DisplayImageDamage.*' > "$work/$1.log" 2>&1 ||
    fail "the paints differ from a whole paint ($1): $(grep -A3 Failure "$work/$1.log" | head -n 12)"
  grep -q '\[  PASSED  \] 1 test' "$work/$1.log" || fail "the damage test did not run ($1)"
}
run_damage_test bare

HOME="$work" XDG_CONFIG_HOME="$work/wm-config" openbox > "$work/window-manager.log" 2>&1 &
window_manager_pid=$!
for _ in $(seq 1 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' || fail "openbox did not start on the display"
run_damage_test openbox
echo "PASS: partial paints equal whole paints on the X server, bare and under openbox"
