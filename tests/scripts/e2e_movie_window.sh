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

# How many pixels of a region of a grabbed screen differ from its first pixel.
count_unlike_pixels() {
  python3 - "$@" << 'PYTHON'
import sys
path, left, top, width, height = sys.argv[1], *map(int, sys.argv[2:6])
screen = open(path, "rb").read()
rows = [screen[((top + y) * 1024 + left) * 3:((top + y) * 1024 + left + width) * 3] for y in range(height)]
first = rows[0][:3]
print(sum(1 for row in rows for x in range(width) if row[3 * x:3 * x + 3] != first))
PYTHON
}
# For each grabbed screen, the number of the exported frame the movie window shows exactly, or -1.
shown_frames() { python3 "$source_dir/tests/scripts/lib/frame_match.py" 352 284 320 200 1024 "$work/frame" "$@"; }

"$cli" export "$demo" "$work/frame" > /dev/null || fail "kinetrope-cli export failed"
[ -f "$work/frame0047.bmp" ] || fail "the export wrote no frame 47"

"$player" > "$work/player.log" 2>&1 &
player_pid=$!

# 1. The two windows where they belong.
wait_for_window "Kinetrope 32bit v2.52" "398x136+220+156"
wait_for_window "Kinetrope\"" "320x240+352+264"
sleep 0.5
grab_screen "$work/start.rgb"
blank=$(count_unlike_pixels "$work/start.rgb" 352 264 320 240)
[ "$blank" = 0 ] || fail "the empty movie window is not plain: $blank pixels differ"
echo "ok: control panel at 220,156, empty movie window 320x240 centred at 352,264"

# 2. Load button (left 4, top 4 of the panel, 26 x 26), then the Open dialog.
choose_with_load_button "$demo"
wait_for_window "$demo\"" "320x200+352+284"
echo "ok: the loaded demo fits the movie window to 320x200 at 352,284, named after the file"

# 3. Play button (left 4, top 4 of the bottom row, which starts at 102); the
#    demo shows a frame every 55 ms. Then the Stop button (left 36).
xdotool mousemove 237 275 click 1
first=-1
for _ in $(seq 1 40); do
  sleep 0.25
  grab_screen "$work/first.rgb"
  first=$(shown_frames "$work/first.rgb")
  [ "$first" != -1 ] && break
done
[ "$first" != -1 ] || fail "the Play button brought no frame of the flic to the movie window"
for n in 1 2 3 4 5 6; do
  grab_screen "$work/playing$n.rgb"
  sleep 0.15
done
shown=$(shown_frames "$work"/playing?.rgb | tr '\n' ' ')
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
read -r stopped later <<< "$(shown_frames \
  "$work/stopped.rgb" "$work/later.rgb" | tr '\n' ' ')"
[ "$stopped" != -1 ] || fail "after Stop the movie window shows no frame of the flic"
[ "$stopped" = "$later" ] || fail "after Stop the picture still changes (frame $stopped, then $later)"
echo "ok: after Stop, frame $stopped stays in the movie window"

# 4. Quit button (left 368 of the top row).
xdotool mousemove 601 173 click 1
expect_player_end "the Quit button"
echo "ok: the Quit button ends the program"
echo "PASS"
