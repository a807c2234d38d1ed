#!/usr/bin/env bash
# End to end on a virtual X display (Xvfb, 1024 x 768, true colour, no window
# manager): 16 and 24-bit flics play as the 8-bit ones do.
#
# 1. a 24-bit flic from disk and a 16-bit one from memory, looping in the
#    movie window: every screenshot of the window is one of the frames
#    kinetrope-cli export writes, pixel for pixel, and the picture moves;
# 2. with brightness 40 and contrast 1.5 every channel is shown as the
#    palette's formula gives it; paused (X), a step back (Z) shows the frame
#    before, and a brightness key (]) shows the paused frame brighter at once;
# 3. full screen, both depths fill the screen as the first mode that fits
#    (320 x 200) scaled to 1024 x 640, the frame centred on black.
#
# usage: e2e_true_colour.sh BUILD_DIR
set -u

E2E_PACKAGES="xdotool x11-utils ffmpeg python3"
source "$(dirname "$0")/lib/e2e_common.sh"

# ---- On the virtual display ------------------------------------------------

# compare.py PLACE BASE BRIGHTNESS CONTRAST SCREEN...: for each screen, the
# number of the exported 24-bit frame BASEnnnn.bmp it shows with the
# brightness and contrast applied, or -1. PLACE is "L,T" for the window's
# client corner (the picture one to one), or "full" for the 320 x 200 mode
# scaled to 1024 x 640 from row 64 with black around the centred frame.
cat > "$work/compare.py" << 'PYTHON'
import glob, struct, sys

place, base, offset, factor = sys.argv[1], sys.argv[2], int(sys.argv[3]), float(sys.argv[4])
level = [min(255, round(c * factor) + offset) for c in range(256)]

def frame_rows(path):
    data = open(path, "rb").read()
    start, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    assert struct.unpack_from("<H", data, 28)[0] == 24, path
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height):
        row = data[start + (height - 1 - y) * stride:][:width * 3]
        rows.append(bytes(level[row[x + 2 - x % 3 * 2]] for x in range(width * 3)))
    return rows

def expected(rows):
    if place != "full":
        return rows
    mode = [b"\0" * 960 for _ in range(200)]
    left, top = (320 - len(rows[0]) // 3) // 2, (200 - len(rows)) // 2
    for y, row in enumerate(rows):
        mode[top + y] = mode[top + y][:left * 3] + row + mode[top + y][left * 3 + len(row):]
    scaled = [b"".join(row[x * 320 // 1024 * 3:][:3] for x in range(1024)) for row in mode]
    black = b"\0" * 3072
    return [black] * 64 + [scaled[y * 200 // 640] for y in range(640)] + [black] * 64

frames = [expected(frame_rows(p)) for p in sorted(glob.glob(base + "[0-9]*.bmp"))]
left, top = (0, 0) if place == "full" else map(int, place.split(","))
for path in sys.argv[5:]:
    screen = open(path, "rb").read()
    height, width = len(frames[0]), len(frames[0][0])
    rows = [screen[((top + y) * 1024 + left) * 3:][:width] for y in range(height)]
    print(next((n for n, frame in enumerate(frames) if frame == rows), -1))
PYTHON

cp "$source_dir/tests/data/true_colour/runs_24.flh" "$source_dir/tests/data/true_colour/chunks_16.flh" "$work/"
for flic in runs_24 chunks_16; do
  "$cli" export "$work/$flic.flh" "$work/$flic-" > /dev/null || fail "kinetrope-cli export of $flic failed"
done

# The movie window's client corner as "L,T".
client_corner() {
  local id
  id=$(xwininfo -root -tree | grep -F "\"$1\"" | grep -F '("kinetrope"' | head -n 1 | awk '{print $1}')
  [ -n "$id" ] || return 1
  xwininfo -id "$id" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x "," y}'
}

# start FLIC WORDS...: the player on a copy of FLIC with these words in front of its name.
start() {
  local flic=$1
  shift
  (cd "$work" && exec "$player" "$@" "$flic.flh") > "$work/player.log" 2>&1 &
  player_pid=$!
}

# shows PLACE FLIC BRIGHTNESS CONTRAST COUNT: grabs COUNT screens 0.15 s apart
# and prints the frame each shows; fails on a screen that shows none.
shows() {
  local n
  for n in $(seq 1 "$5"); do
    grab_screen "$work/screen$n.rgb"
    sleep 0.15
  done
  seen=$(python3 "$work/compare.py" "$1" "$work/$2-" "$3" "$4" $(seq -f "$work/screen%g.rgb" 1 "$5") | tr '\n' ' ')
  case " $seen" in *" -1 "*) fail "$2 ($1, brightness $3, contrast $4): a screen shows no frame of it (seen: $seen)" ;; esac
}

moves() { [ "$(echo "$seen" | tr ' ' '\n' | grep . | sort -u | wc -l)" -ge 2 ] || fail "$1: the picture did not move ($seen)"; }

end_player() {
  kill "$player_pid"
  wait "$player_pid" 2> /dev/null
  player_pid=""
}

# 1. Window, from disk (24-bit) and from memory (16-bit).
for run in "runs_24 /PLAYFILE" "chunks_16 /PLAY"; do
  read -r flic word <<< "$run"
  start "$flic" /LOOPON /DELAY 150 "$word"
  for _ in $(seq 1 100); do corner=$(client_corner "$flic.flh") && break; sleep 0.1; done
  sleep 1
  shows "$corner" "$flic" 0 1.0 6
  moves "$flic"
  echo "ok: $flic ($word) in the movie window shows its exported frames exactly (seen: $seen)"
  end_player
done

# 2. Brightness and contrast; pause, step back, brighter while paused.
start runs_24 /LOOPON /DELAY 150 /BRIGHTNESS 40 /CONTRAST 1.5 /PLAYFILE
for _ in $(seq 1 100); do corner=$(client_corner runs_24.flh) && break; sleep 0.1; done
sleep 1
shows "$corner" runs_24 40 1.5 4
movie=$(xwininfo -root -tree | grep -F '"runs_24.flh"' | head -n 1 | awk '{print $1}')
xdotool windowfocus --sync "$movie" key x
sleep 0.5
shows "$corner" runs_24 40 1.5 1
paused=${seen%% *}
[ "$paused" -ge 2 ] || { xdotool key c c; sleep 0.5; shows "$corner" runs_24 40 1.5 1; paused=${seen%% *}; }
xdotool key z
sleep 0.5
shows "$corner" runs_24 40 1.5 1
[ "${seen%% *}" = $((paused - 1)) ] || fail "a step back from frame $paused shows frame ${seen%% *}"
xdotool key bracketright
sleep 0.5
shows "$corner" runs_24 45 1.5 1
[ "${seen%% *}" = $((paused - 1)) ] || fail "the brighter paused picture is frame ${seen%% *}, not $((paused - 1))"
echo "ok: brightness and contrast per channel; paused at $paused, Z shows $((paused - 1)), ] brightens it at once"
end_player

# 3. Full screen.
for flic in runs_24 chunks_16; do
  start "$flic" /DIRECTXON /LOOPON /DELAY 150 /PLAYFILE
  wait_for_window "$flic.flh\"" "1024x768+0+0"
  sleep 1
  shows full "$flic" 0 1.0 5
  moves "$flic full screen"
  echo "ok: $flic full screen, scaled from the 320x200 mode in true colour (seen: $seen)"
  end_player
done
echo "PASS"
