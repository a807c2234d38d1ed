# Shared by the end-to-end scripts: sourced with BUILD_DIR as $1 and the
# Debian packages the script needs in E2E_PACKAGES. It checks
# the build, installs missing tools, restarts the calling script on a virtual
# X display (1024 x 768, true colour, no window manager) and, once there,
# gives it a scratch folder, an empty settings home and the helpers below.
#
# E2E_WINDOW_MANAGER=openbox starts openbox on that display before the
# script goes on, so that windows get frames, focus and states as on a
# desktop; unset, the display has no window manager.

build_dir=$(cd "${1:?usage: $(basename "$0") BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
player="$build_dir/kinetrope"
cli="$build_dir/kinetrope-cli"
demo="$source_dir/demo/demo.flc"

fail() {
  echo "FAIL: $*"
  if [ -s "${work:-}/player.log" ]; then
    echo "the player said:"
    tail -n 20 "$work/player.log"
  fi
  exit 1
}

if [ -z "${KINETROPE_E2E_DISPLAY:-}" ]; then
  [ -x "$player" ] || fail "$player is not built"
  [ -x "$cli" ] || fail "$cli is not built"
  [ -f "$demo" ] || fail "no demo flic at $demo"
  source "$source_dir/scripts/install_packages.sh"
  kinetrope_install_packages xvfb xauth ${E2E_PACKAGES:-} ${E2E_WINDOW_MANAGER:-} || fail "could not install the test tools"
  # Xvfb picks a free display itself (-displayfd): xvfb-run -a races with
  # other scripts started at the same moment and can hand two of them one
  # display, which vanishes when the first one ends. Without -noreset the
  # server resets when its last client leaves, and a player started in that
  # moment cannot connect.
  display_file=$(mktemp)
  # shellcheck disable=SC2086 # E2E_XVFB_ARGS: more of the server's arguments, one word each
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset ${E2E_XVFB_ARGS:-} 3> "$display_file" 2> /dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    kill -0 "$xvfb_pid" 2> /dev/null || break
    sleep 0.1
  done
  display_number=$(head -n 1 "$display_file")
  rm -f "$display_file"
  [ -n "$display_number" ] || { kill "$xvfb_pid" 2> /dev/null; fail "the virtual display did not start"; }
  status=0
  DISPLAY=":$display_number" KINETROPE_E2E_DISPLAY=1 bash "$0" "$build_dir" || status=$?
  kill "$xvfb_pid" 2> /dev/null
  wait "$xvfb_pid" 2> /dev/null
  exit "$status"
fi

work=$(mktemp -d)
player_pid=""
window_manager_pid=""
cleanup() {
  if [ -n "$player_pid" ] && kill -0 "$player_pid" 2> /dev/null; then kill "$player_pid"; fi
  if [ -n "$window_manager_pid" ] && kill -0 "$window_manager_pid" 2> /dev/null; then kill "$window_manager_pid"; fi
  rm -rf "$work"
}
trap cleanup EXIT

if [ -n "${E2E_WINDOW_MANAGER:-}" ]; then
  # Its own empty configuration: the defaults, whatever the machine has.
  HOME="$work" XDG_CONFIG_HOME="$work/wm-config" "$E2E_WINDOW_MANAGER" > "$work/window-manager.log" 2>&1 &
  window_manager_pid=$!
  # A window manager that follows the desktop rules names itself on the root window once it runs.
  for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' ||
    fail "$E2E_WINDOW_MANAGER did not start on the display"
fi

# No stored settings: the design positions hold, and nothing of the user's is touched.
export XDG_CONFIG_HOME="$work/config"
export QT_QPA_PLATFORM=xcb
# In a sanitizer build: libxkbcommon-x11 hands strndup names without a
# terminating zero, which strict string checks report as an overflow when
# the X connection opens. The later setting wins.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:strict_string_checks=0"

# Waits at most $2 seconds for the player to end after $1 (a key, a button,
# its own words), running the command $3, if given, every 50 ms meanwhile;
# leaves its exit status in player_status.
await_player_end() {
  local waited=0
  while kill -0 "$player_pid" 2> /dev/null; do
    [ -z "${3:-}" ] || $3
    sleep 0.05
    waited=$((waited + 1))
    [ $waited -lt $(($2 * 20)) ] || fail "$1 did not end the program within $2 s"
  done
  player_status=0
  wait "$player_pid" || player_status=$?
  player_pid=""
}

# The same for 10 s, and the end must come with status 0.
expect_player_end() {
  await_player_end "$1" 10
  [ "$player_status" = 0 ] || fail "the program ended with status $player_status"
}

# Waits until a top-level window of the player whose name starts with this
# text stands at this geometry (WxH+X+Y); prints what there is when it never does.
wait_for_window() {
  local name=$1 geometry=$2 tries=100
  while [ $tries -gt 0 ]; do
    if xwininfo -root -tree | grep -F "\"$name" | grep -F '("kinetrope"' | grep -qF " $geometry "; then return 0; fi
    sleep 0.1
    tries=$((tries - 1))
  done
  echo "windows on the display:"
  xwininfo -root -tree | grep -F '"kinetrope"'
  fail "no window \"$name...\" at $geometry"
}

# Waits up to 10 s for the player's dialog captioned $1, then lets it settle.
await_dialog() {
  local tries=100
  until xwininfo -root -tree | grep -qF "\"$1\": (\"kinetrope\""; do
    tries=$((tries - 1))
    [ $tries -gt 0 ] || fail "no $1 dialog came up"
    sleep 0.1
  done
  sleep 0.5
}

# Chooses a flic with the Load button (left 4, top 4 of the panel at its
# first place, 26 x 26) and the Open dialog, typing its path.
choose_with_load_button() {
  xdotool mousemove 237 173 click 1
  await_dialog Open
  xdotool type --delay 10 "$1"
  xdotool key Return
}

# The whole 1024 x 768 screen as raw rgb24 (ffmpeg, in the calling script's E2E_PACKAGES).
grab_screen() {
  ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size 1024x768 -i "$DISPLAY" -frames:v 1 \
    -f rawvideo -pix_fmt rgb24 "$1" || fail "could not grab the screen"
}
