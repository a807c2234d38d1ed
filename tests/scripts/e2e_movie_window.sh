#!/usr/bin/env bash
# End to end on a virtual X display (Xvfb, 1024 x 768, true colour, no window
# manager, so a window's outer size is its client size):
#
# 1. the real program starts with its control panel at its design place and
#    the movie window centred with a 320 x 240 picture area, still empty;
# 2. the demo flic, chosen with the Load button in the Open dialog, fits the
#    movie window to 320 x 200, centred, with the file name as its caption;
# 3. played with the Play button (looping, as the panel starts), every
#    picture the movie window shows is one of the flic's frames, pixel for
#    pixel in the flic's own colours (kinetrope-cli export writes the frames
#    with those colours), and the picture moves; after the Stop button the
#    frame on screen stays there;
# 4. the Quit button ends the program, whose movie window refuses only the
#    user's close requests.
#
# usage: e2e_movie_window.sh BUILD_DIR
set -u

E2E_PACKAGES="xdotool x11-utils ffmpeg python3"
source "$(dirname "$0")/lib/e2e_common.sh"

# ---- On the virtual display ------------------------------------------------

# Waits until a top-level window whose name starts with this text stands at
# this geometry (WxH+X+Y); prints what there is when it never does.
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

grab_screen() {
  ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size 1024x768 -i "$DISPLAY" -frames:v 1 \
    -f rawvideo -pix_fmt rgb24 "$1" || fail "could not grab the screen"
}

# Looks at a region of grabbed screens:
#   compare.py blank LEFT TOP W H SCREEN           pixels that differ from the first
#   compare.py frames LEFT TOP W H BASE SCREEN...  for each screen, the number of the
#       exported 8-bit bitmap BASEnnnn.bmp it shows exactly, or -1
cat > "$work/compare.py" << 'PYTHON'
import glob, struct, sys

def bitmap_rows(path):
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    assert struct.unpack_from("<H", data, 28)[0] == 8, path
    table = [data[54 + 4 * i:54 + 4 * i + 3][::-1] for i in range(256)]
    stride = (width + 3) // 4 * 4
    rows = []
    for y in range(abs(height)):
        start = offset + (abs(height) - 1 - y if height > 0 else y) * stride
        rows.append(b"".join(table[i] for i in data[start:start + width]))
    return rows

def region(path, left, top, width, height):
    screen = open(path, "rb").read()
    return [screen[((top + y) * 1024 + left) * 3:((top + y) * 1024 + left + width) * 3] for y in range(height)]

mode = sys.argv[1]
left, top, width, height = map(int, sys.argv[2:6])
if mode == "blank":
    rows = region(sys.argv[6], left, top, width, height)
    first = rows[0][:3]
    print(sum(1 for row in rows for x in range(width) if row[3 * x:3 * x + 3] != first))
else:
    frames = [bitmap_rows(path) for path in sorted(glob.glob(sys.argv[6] + "[0-9]*.bmp"))]
    for path in sys.argv[7:]:
        rows = region(path, left, top, width, height)
        print(next((number for number, frame in enumerate(frames) if frame == rows), -1))
PYTHON

"$cli" export "$demo" "$work/frame" > /dev/null || fail "kinetrope-cli export failed"
[ -f "$work/frame0047.bmp" ] || fail "the export wrote no frame 47"

"$player" > "$work/player.log" 2>&1 &
player_pid=$!

# 1. The two windows where they belong.
wait_for_window "Kinetrope 32bit v2.52" "398x136+220+156"
wait_for_window "Kinetrope\"" "320x240+352+264"
sleep 0.5
grab_screen "$work/start.rgb"
blank=$(python3 "$work/compare.py" blank 352 264 320 240 "$work/start.rgb")
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
wait_for_window "$demo\"" "320x200+352+284"
echo "ok: the loaded demo fits the movie window to 320x200 at 352,284, named after the file"

# 3. Play button (left 4, top 4 of the bottom row, which starts at 102); the
#    demo shows a frame every 55 ms. Then the Stop button (left 36).
xdotool mousemove 237 275 click 1
first=-1
for _ in $(seq 1 40); do
  sleep 0.25
  grab_screen "$work/first.rgb"
  first=$(python3 "$work/compare.py" frames 352 284 320 200 "$work/frame" "$work/first.rgb")
  [ "$first" != -1 ] && break
done
[ "$first" != -1 ] || fail "the Play button brought no frame of the flic to the movie window"
for n in 1 2 3 4 5 6; do
  grab_screen "$work/playing$n.rgb"
  sleep 0.15
done
shown=$(python3 "$work/compare.py" frames 352 284 320 200 "$work/frame" "$work"/playing?.rgb | tr '\n' ' ')
case " $shown" in
  *" -1 "*) fail "the movie window showed a picture that is no frame of the flic (frames seen: $shown)" ;;
esac
distinct=$(echo "$shown" | tr ' ' '\n' | grep . | sort -u | wc -l)
[ "$distinct" -ge 2 ] || fail "the picture did not move (frames seen: $shown)"
echo "ok: while playing, the movie window shows the flic's frames in their own colours (frames seen: $shown)"

xdotool mousemove 269 275 click 1
sleep 0.5
grab_screen "$work/stopped.rgb"
sleep 1
grab_screen "$work/later.rgb"
read -r stopped later <<< "$(python3 "$work/compare.py" frames 352 284 320 200 "$work/frame" \
  "$work/stopped.rgb" "$work/later.rgb" | tr '\n' ' ')"
[ "$stopped" != -1 ] || fail "after Stop the movie window shows no frame of the flic"
[ "$stopped" = "$later" ] || fail "after Stop the picture still changes (frame $stopped, then $later)"
echo "ok: after Stop, frame $stopped stays in the movie window"

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
