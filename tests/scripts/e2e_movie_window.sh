#!/usr/bin/env bash
# End to end on a virtual X display (Xvfb, 1024 x 768, true colour, no window
# manager, so a window's outer size is its client size):
#
# 1. the real program starts with its control panel at its design place and
#    the movie window centred with a 320 x 240 picture area, still empty;
# 2. the demo flic, chosen with the Load button in the Open dialog, fits the
#    movie window to 320 x 200, centred, with the file name as its caption;
# 3. played with the Play button, it ends with its last frame in the movie
#    window, pixel for pixel in the flic's own colours (kinetrope-cli export
#    writes the same frame with those colours), and the frame stays there;
# 4. the Quit button ends the program, whose movie window refuses only the
#    user's close requests.
#
# usage: e2e_movie_window.sh BUILD_DIR
set -u

build_dir=$(cd "${1:?usage: e2e_movie_window.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
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

  # The tools that drive and watch the display: xvfb-run, xdotool, xwininfo, ffmpeg's screen grab.
  missing=()
  command -v xvfb-run > /dev/null || missing+=(xvfb xauth)
  command -v xdotool > /dev/null || missing+=(xdotool)
  command -v xwininfo > /dev/null || missing+=(x11-utils)
  command -v ffmpeg > /dev/null || missing+=(ffmpeg)
  command -v python3 > /dev/null || missing+=(python3)
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo -n"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null 2>&1 ||
      { $sudo apt-get update -qq > /dev/null 2>&1 &&
        $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null 2>&1; } ||
      fail "could not install ${missing[*]}"
  fi
  exec xvfb-run -a -s "-screen 0 1024x768x24" env KINETROPE_E2E_DISPLAY=1 bash "$0" "$build_dir"
fi

# ---- On the virtual display ------------------------------------------------

work=$(mktemp -d)
player_pid=""
cleanup() {
  if [ -n "$player_pid" ] && kill -0 "$player_pid" 2> /dev/null; then kill "$player_pid"; fi
  rm -rf "$work"
}
trap cleanup EXIT

# No stored settings: the design positions hold.
export XDG_CONFIG_HOME="$work/config"
export QT_QPA_PLATFORM=xcb
# In a sanitizer build: libxkbcommon-x11 hands strndup names without a
# terminating zero, which strict string checks report as an overflow when
# the X connection opens. The later setting wins.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:strict_string_checks=0"

# Waits until a top-level window with exactly this name stands at this
# geometry (WxH+X+Y); prints what there is when it never does.
wait_for_window() {
  local name=$1 geometry=$2 tries=100
  while [ $tries -gt 0 ]; do
    if xwininfo -root -tree | grep -F "\"$name\": (\"kinetrope\"" | grep -qF " $geometry "; then return 0; fi
    sleep 0.1
    tries=$((tries - 1))
  done
  echo "windows on the display:"
  xwininfo -root -tree | grep -F '"kinetrope"'
  fail "no window \"$name\" at $geometry"
}

grab_screen() {
  ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size 1024x768 -i "$DISPLAY" -frames:v 1 \
    -f rawvideo -pix_fmt rgb24 "$1" || fail "could not grab the screen"
}

# Compares a region of a grabbed screen with an 8-bit bitmap, or with one
# colour when no bitmap is named; prints how many pixels differ.
cat > "$work/compare.py" << 'EOF'
import struct, sys

def bitmap(path):
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    bits, = struct.unpack_from("<H", data, 28)
    assert bits == 8, path
    table = [data[54 + 4 * i:54 + 4 * i + 3][::-1] for i in range(256)]
    stride = (width + 3) // 4 * 4
    rows = []
    for y in range(abs(height)):
        row_in_file = abs(height) - 1 - y if height > 0 else y
        start = offset + row_in_file * stride
        rows.append(b"".join(table[i] for i in data[start:start + width]))
    return width, abs(height), rows

screen = open(sys.argv[1], "rb").read()
left, top, width, height = map(int, sys.argv[2:6])
if len(sys.argv) > 6:
    bw, bh, expected = bitmap(sys.argv[6])
    assert (bw, bh) == (width, height), (bw, bh)
else:
    first = screen[(top * 1024 + left) * 3:(top * 1024 + left) * 3 + 3]
    expected = [first * width] * height
wrong = 0
for y in range(height):
    start = ((top + y) * 1024 + left) * 3
    got = screen[start:start + width * 3]
    wrong += sum(1 for x in range(width) if got[3 * x:3 * x + 3] != expected[y][3 * x:3 * x + 3])
print(wrong)
EOF

"$cli" export "$demo" "$work/frame" > /dev/null || fail "kinetrope-cli export failed"
last_frame="$work/frame0047.bmp"
[ -f "$last_frame" ] || fail "the export wrote no frame 47"

"$player" > "$work/player.log" 2>&1 &
player_pid=$!

# 1. The two windows where they belong.
panel_title="Kinetrope 32bit v2.52"
tries=100
until xwininfo -root -tree | grep -F "\"$panel_title" | grep -qF " 398x136+220+156 "; do
  tries=$((tries - 1))
  [ $tries -gt 0 ] || { xwininfo -root -tree | grep -F '"kinetrope"'; fail "no control panel at 398x136+220+156"; }
  sleep 0.1
done
wait_for_window "Kinetrope" "320x240+352+264"
sleep 0.5
grab_screen "$work/start.rgb"
blank=$(python3 "$work/compare.py" "$work/start.rgb" 352 264 320 240)
[ "$blank" = 0 ] || fail "the empty movie window is not plain: $blank pixels differ"
echo "ok: control panel at 220,156, empty movie window 320x240 centred at 352,264"

# 2. Load button (left 4, top 4 of the panel, 26 x 26), then the Open dialog.
xdotool mousemove 237 173 click 1
tries=100
until xwininfo -root -tree | grep -qF '"Open": ("kinetrope"'; do
  tries=$((tries - 1))
  [ $tries -gt 0 ] || fail "the Load button opened no Open dialog"
  sleep 0.1
done
sleep 0.5
xdotool type --delay 10 "$demo"
xdotool key Return
wait_for_window "$demo" "320x200+352+284"
echo "ok: the loaded demo fits the movie window to 320x200 at 352,284, named after the file"

# 3. Seam: the Play button runs the play command once the control panel
#    wires it; then this part runs.
if [ "${KINETROPE_E2E_PLAYBACK:-0}" = 1 ]; then
  # Play button (left 4, top 4 of the bottom row, which starts at 102). The
  # demo runs 48 frames of 55 ms; its last frame must arrive and stay.
  xdotool mousemove 237 275 click 1
  wrong=""
  for _ in $(seq 1 60); do
    sleep 0.25
    grab_screen "$work/end.rgb"
    wrong=$(python3 "$work/compare.py" "$work/end.rgb" 352 284 320 200 "$last_frame")
    [ "$wrong" = 0 ] && break
  done
  [ "$wrong" = 0 ] || fail "the movie window does not show the last frame: $wrong pixels differ"
  sleep 1
  grab_screen "$work/after.rgb"
  wrong=$(python3 "$work/compare.py" "$work/after.rgb" 352 284 320 200 "$last_frame")
  [ "$wrong" = 0 ] || fail "the last frame did not stay: $wrong pixels differ"
  echo "ok: the played demo ends on its last frame in its own colours, and it stays"
fi

# 4. Quit button (left 368 of the top row).
xdotool mousemove 601 173 click 1
for _ in $(seq 1 100); do
  kill -0 "$player_pid" 2> /dev/null || break
  sleep 0.1
done
if kill -0 "$player_pid" 2> /dev/null; then fail "the Quit button did not end the program"; fi
wait "$player_pid"
status=$?
player_pid=""
[ "$status" = 0 ] || fail "the program ended with status $status"
echo "ok: the Quit button ends the program"
echo "PASS"
