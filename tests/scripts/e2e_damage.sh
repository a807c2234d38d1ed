#!/usr/bin/env bash
# Frames painted only where they changed, on a real X server (Xvfb): the
# picture control's damage test, run against the server's own pixels, bare
# and under openbox, for a window stretched to an odd size and for a full
# screen of another aspect, every frame of real flics.
#
# usage: e2e_damage.sh BUILD_DIR
set -u

E2E_PACKAGES="openbox x11-utils"
source "$(dirname "$0")/lib/e2e_common.sh"

# ---- On the virtual display ------------------------------------------------

tests="$build_dir/tests/views_tests"
[ -x "$tests" ] || fail "$tests is not built"
"$tests" --gtest_filter='DisplayImageDamage.*' > "$work/bare.log" 2>&1 || {
  cat "$work/bare.log"
  fail "the paints differ from a whole paint on a bare X server"
}
grep -q '\[  PASSED  \] 1 test' "$work/bare.log" || fail "the damage test did not run"

HOME="$work" XDG_CONFIG_HOME="$work/wm-config" openbox > "$work/window-manager.log" 2>&1 &
window_manager_pid=$!
for _ in $(seq 1 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' && break
  sleep 0.1
done
"$tests" --gtest_filter='DisplayImageDamage.*' > "$work/openbox.log" 2>&1 || {
  cat "$work/openbox.log"
  fail "the paints differ from a whole paint under openbox"
}
echo "PASS: partial paints equal whole paints on Xvfb, bare and under openbox"
