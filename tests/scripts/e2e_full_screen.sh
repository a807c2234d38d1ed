#!/usr/bin/env bash
# End to end on a virtual X display (Xvfb, 1024 x 768, true colour, no window
# manager): full-screen playback.
#
# 1. "/DIRECTXON /LOOPON /PLAYFILE demo.flc" plays the 320 x 200 demo in the
#    first mode that fits, 320 x 200, shown scaled by 3.2 to 1024 x 640 in the
#    middle of the screen with black bars above and below: every pixel of a
#    screenshot is the colour of the pixel of one exported frame
#    (kinetrope-cli export) that maps to it, and the picture moves;
# 2. Esc ends the playback and the movie window comes back with its border,
#    its place and its size, beside the control panel, which words running
#    leave where it is;
# 3. F in the movie window plays the flic again full screen, this time with
#    the control panel hidden; Esc brings both windows back as they were;
# 4. Alt+X ends the program with status 0;
# 5. under a window manager (openbox) the same words cover the screen with
#    the movie window, frameless, and after Esc it has its frame back.
#
# usage: e2e_full_screen.sh BUILD_DIR
set -u

E2E_PACKAGES="xdotool x11-utils ffmpeg python3 openbox"
source "$(dirname "$0")/lib/e2e_common.sh"

# ---- On the virtual display ------------------------------------------------

# The id of the player's top-level window whose name starts with this text.
window_id() {
  xwininfo -root -tree | grep -F "\"$1" | grep -F '("kinetrope"' | head -n 1 | awk '{print $1}'
}

# Waits until the window is mapped (IsViewable) or not (IsUnMapped).
wait_for_map_state() {
  local id=$1 state=$2 tries=100
  while [ $tries -gt 0 ]; do
    if xwininfo -id "$id" 2> /dev/null | grep -qF "Map State: $state"; then return 0; fi
    sleep 0.1
    tries=$((tries - 1))
  done
  fail "window $id is not $state"
}

# compare.py BASE SCREEN...: for each screen, the number of the exported
# frame BASEnnnn.bmp that it shows full screen, or -1 with the first
# differing pixel. A 320 x 200 mode fills 1024 x 640 from row 64; screen
# pixel (x, y) shows mode pixel (x * 320 div 1024, (y - 64) * 200 div 640);
# the 64 rows above and below are black.
cat > "$work/compare.py" << 'PYTHON'
import glob, struct, sys

SW, SH, MW, MH, TOP, PH = 1024, 768, 320, 200, 64, 640

def bitmap_rows(path):
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    assert (width, abs(height)) == (MW, MH), path
    table = [data[54 + 4 * i:54 + 4 * i + 3][::-1] for i in range(256)]
    stride = (width + 3) // 4 * 4
    rows = []
    for y in range(abs(height)):
        start = offset + (abs(height) - 1 - y if height > 0 else y) * stride
        rows.append([table[i] for i in data[start:start + width]])
    return rows

def expected_screen(rows):
    columns = [x * MW // SW for x in range(SW)]
    scaled = [b"".join(row[c] for c in columns) for row in rows]
    black = b"\0" * (SW * 3)
    lines = [black] * TOP + [scaled[y * MH // PH] for y in range(PH)] + [black] * (SH - TOP - PH)
    return b"".join(lines)

frames = [expected_screen(bitmap_rows(p)) for p in sorted(glob.glob(sys.argv[1] + "[0-9]*.bmp"))]
for path in sys.argv[2:]:
    screen = open(path, "rb").read()
    match = next((n for n, frame in enumerate(frames) if frame == screen), -1)
    if match == -1:
        # Say where the closest frame differs first.
        best = min(frames, key=lambda f: sum(a != b for a, b in zip(f[::97], screen[::97])))
        at = next(i for i in range(len(screen)) if screen[i] != best[i]) // 3
        print(f"-1 (first wrong pixel at {at % SW},{at // SW})")
    else:
        print(match)
PYTHON

"$cli" export "$demo" "$work/frame" > /dev/null || fail "kinetrope-cli export failed"
[ -f "$work/frame0047.bmp" ] || fail "the export wrote no frame 47"
cp "$demo" "$work/demo.flc"

(cd "$work" && exec "$player" /DIRECTXON /LOOPON /PLAYFILE demo.flc) > "$work/player.log" 2>&1 &
player_pid=$!

# 1. The movie window covers the screen and shows the frames scaled.
wait_for_window "demo.flc\"" "1024x768+0+0"
sleep 0.5
for n in 1 2 3 4 5; do
  grab_screen "$work/full$n.rgb"
  sleep 0.2
done
shown=$(python3 "$work/compare.py" "$work/frame" "$work"/full?.rgb | tr '\n' ' ')
case " $shown" in
  *" -1 "*) fail "a screenshot is no frame of the flic scaled to the screen (frames seen: $shown)" ;;
esac
distinct=$(echo "$shown" | tr ' ' '\n' | grep . | sort -u | wc -l)
[ "$distinct" -ge 2 ] || fail "the picture did not move (frames seen: $shown)"
echo "ok: full screen, every pixel from an exported frame scaled and centred on black (frames seen: $shown)"

# 2. Esc ends it; the windows come back.
xdotool key Escape
wait_for_window "demo.flc\"" "320x200+352+284"
wait_for_window "Kinetrope 32bit v2.52" "398x136+220+156"
panel=$(window_id "Kinetrope 32bit v2.52")
movie=$(window_id "demo.flc\"")
wait_for_map_state "$panel" IsViewable
wait_for_map_state "$movie" IsViewable
kill -0 "$player_pid" 2> /dev/null || fail "the program ended with the playback"
echo "ok: Esc ends the playback, the movie window is back at 320x200+352+284 beside the panel"

# 3. The same again from a key, not words: the panel makes way, and comes back.
xdotool windowfocus --sync "$movie" key f
wait_for_window "demo.flc\"" "1024x768+0+0"
wait_for_map_state "$panel" IsUnMapped
sleep 0.3
grab_screen "$work/again.rgb"
again=$(python3 "$work/compare.py" "$work/frame" "$work/again.rgb")
[ "${again%% *}" != -1 ] || fail "the second full-screen playback shows no frame: $again"
movie=$(window_id "demo.flc\"")
xdotool windowfocus --sync "$movie" key Escape
wait_for_window "demo.flc\"" "320x200+352+284"
wait_for_map_state "$panel" IsViewable
wait_for_window "Kinetrope 32bit v2.52" "398x136+220+156"
echo "ok: a second full-screen playback hides the control panel; Esc brings both windows back"

# 4. Alt+X.
movie=$(window_id "demo.flc\"")
xdotool windowfocus --sync "$movie" key alt+x
expect_player_end Alt+X
echo "ok: Alt+X ends the program"

# 5. Under a window manager.
openbox > "$work/openbox.log" 2>&1 &
openbox_pid=$!
trap 'kill "$openbox_pid" 2> /dev/null; cleanup' EXIT
sleep 1
(cd "$work" && exec "$player" /DIRECTXON /LOOPON /PLAYFILE demo.flc) > "$work/player.log" 2>&1 &
player_pid=$!
covered=false
for _ in $(seq 1 100); do
  if xwininfo -root -tree | grep -F '"demo.flc"' | grep -qF ' 1024x768+'; then covered=true; break; fi
  sleep 0.1
done
$covered || fail "under openbox the movie window does not cover the screen"
sleep 0.5
grab_screen "$work/managed.rgb"
managed=$(python3 "$work/compare.py" "$work/frame" "$work/managed.rgb")
[ "${managed%% *}" != -1 ] || fail "under openbox the screen shows no frame of the flic: $managed"
movie=$(window_id "demo.flc\"")
xprop -id "$movie" _NET_FRAME_EXTENTS | grep -qF "= 0, 0, 0, 0" || fail "under openbox the full screen has a frame"
xdotool windowactivate --sync "$movie" key Escape
framed=false
for try in $(seq 1 150); do
  movie=$(window_id "demo.flc\"")
  if [ -n "$movie" ] && xwininfo -id "$movie" | grep -qF "Width: 320" &&
    xprop -id "$movie" _NET_FRAME_EXTENTS 2> /dev/null | grep -qE '= [0-9]+, [0-9]+, [1-9][0-9]*, '; then
    framed=true
    break
  fi
  # On a loaded machine a key sent while openbox is still handing the focus
  # over can go astray; one more Esc tells a lost key from a player that
  # does not come back.
  if [ "$try" = 50 ] && [ -n "$movie" ] && xwininfo -id "$movie" | grep -qF "Width: 1024"; then
    echo "note: still full screen 5 s after Esc; pressing it again"
    xdotool windowactivate --sync "$movie" key Escape
  fi
  sleep 0.1
done
if ! $framed; then
  [ -n "$movie" ] && xwininfo -id "$movie" | grep -E 'Width|Height|Map State'
  [ -n "$movie" ] && xprop -id "$movie" _NET_FRAME_EXTENTS _NET_WM_STATE
  fail "under openbox the movie window did not come back 320 wide with its frame"
fi
kill "$player_pid"
wait "$player_pid" 2> /dev/null
player_pid=""
echo "ok: under openbox full screen covers the screen and Esc gives the framed window back"
echo "PASS"
