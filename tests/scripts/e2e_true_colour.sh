#!/usr/bin/env bash
# On a virtual X display without a window manager, 16 and 24-bit flics play
# as 8-bit ones do: in the movie window (from disk and from memory) and full
# screen (the 320 x 200 mode scaled to 1024 x 640, the frame centred on
# black) every screenshot is a frame kinetrope-cli export writes, pixel for
# pixel; brightness and contrast reach each channel by the palette's formula;
# paused, Z steps back and ] brightens the paused frame at once. The same
# checks run under openbox in e2e_true_colour_openbox.sh.
#
# usage: e2e_true_colour.sh BUILD_DIR
set -u
E2E_PACKAGES="xdotool x11-utils ffmpeg python3"
source "$(dirname "$0")/lib/e2e_common.sh"

# compare.py L,T|full BASE BRIGHTNESS CONTRAST SCREEN...: the exported frame each screen shows, or -1.
cat > "$work/compare.py" << 'PYTHON'
import glob, struct, sys
place, base, offset, factor = sys.argv[1], sys.argv[2], int(sys.argv[3]), float(sys.argv[4])
level = [min(255, round(c * factor) + offset) for c in range(256)]
def rows(path):
    data = open(path, "rb").read()
    start, w, h = struct.unpack_from("<I", data, 10)[0], *struct.unpack_from("<ii", data, 18)
    lines = [data[start + (h - 1 - y) * ((w * 3 + 3) // 4 * 4):][:w * 3] for y in range(h)]
    lines = [bytes(level[line[x + 2 - x % 3 * 2]] for x in range(w * 3)) for line in lines]
    if place != "full":
        return lines
    left, top = (320 - w) // 2 * 3, (200 - h) // 2
    mode = [b"\0" * 960] * top + [b"\0" * left + l + b"\0" * (960 - left - len(l)) for l in lines]
    mode += [b"\0" * 960] * (200 - len(mode))
    scaled = [b"".join(line[x * 320 // 1024 * 3:][:3] for x in range(1024)) for line in mode]
    return [b"\0" * 3072] * 64 + [scaled[y * 200 // 640] for y in range(640)] + [b"\0" * 3072] * 64
frames = [rows(p) for p in sorted(glob.glob(base + "[0-9]*.bmp"))]
left, top = (0, 0) if place == "full" else map(int, place.split(","))
for path in sys.argv[5:]:
    screen = open(path, "rb").read()
    shown = [screen[((top + y) * 1024 + left) * 3:][:len(frames[0][0])] for y in range(len(frames[0]))]
    print(next((n for n, frame in enumerate(frames) if frame == shown), -1))
PYTHON

for flic in runs_24 chunks_16; do
  cp "$source_dir/tests/data/true_colour/$flic.flh" "$work/"
  "$cli" export "$work/$flic.flh" "$work/$flic-" > /dev/null || fail "kinetrope-cli export of $flic failed"
done
movie_id() { xwininfo -root -tree | grep -F "\"$1.flh\"" | grep -F '("kinetrope"' | head -n 1 | awk '{print $1}'; }
# start FLIC WORDS...: the player with these words before the flic's name; sets corner to its client's "L,T".
start() {
  local flic=$1 id=""
  shift
  (cd "$work" && exec "$player" /LOOPON /DELAY 150 "$@" "$flic.flh") > "$work/player.log" 2>&1 &
  player_pid=$!
  for _ in $(seq 1 100); do id=$(movie_id "$flic") && [ -n "$id" ] && break; sleep 0.1; done
  sleep 1
  corner=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x "," y}')
}
# shows PLACE FLIC BRIGHTNESS CONTRAST COUNT: the frames COUNT screens show, 0.15 s apart, into $seen.
shows() {
  for n in $(seq 1 "$5"); do grab_screen "$work/screen$n.rgb" && sleep 0.15; done
  seen=$(python3 "$work/compare.py" "$1" "$work/$2-" "$3" "$4" $(seq -f "$work/screen%g.rgb" 1 "$5") | tr '\n' ' ')
  case " $seen" in *" -1 "*) fail "$2 ($1, brightness $3, contrast $4) shows no frame of it (seen: $seen)" ;; esac
  [ "$5" = 1 ] || [ "$(echo $seen | tr ' ' '\n' | sort -u | wc -l)" -ge 2 ] || fail "$2: the picture did not move"
}
end_player() { kill "$player_pid" && wait "$player_pid" 2> /dev/null; player_pid=""; }

for run in "chunks_16 /PLAYFILE" "runs_24 /DIRECTXON /PLAYFILE" "chunks_16 /DIRECTXON /PLAY"; do
  read -r flic words <<< "$run"
  start "$flic" $words
  case $words in /DIRECTXON*) wait_for_window "$flic.flh\"" "1024x768+0+0" && sleep 0.5 && corner=full ;; esac
  shows "$corner" "$flic" 0 1.0 5
  echo "ok: $flic ($words at $corner) shows its exported frames exactly (seen: $seen)"
  end_player
done

# From memory, brightness and contrast; paused, Z steps back, ] brightens it.
start runs_24 /BRIGHTNESS 40 /CONTRAST 1.5 /PLAY
shows "$corner" runs_24 40 1.5 4
xdotool windowfocus --sync "$(movie_id runs_24)" key x
sleep 0.5
shows "$corner" runs_24 40 1.5 1
[ "${seen%% *}" -ge 1 ] || { xdotool key c && sleep 0.5 && shows "$corner" runs_24 40 1.5 1; }
paused=${seen%% *}
xdotool key z && sleep 0.5 && xdotool key bracketright && sleep 0.5
shows "$corner" runs_24 45 1.5 1
[ "${seen%% *}" = $((paused - 1)) ] || fail "paused at $paused, Z and ] show frame ${seen%% *}"
echo "ok: from memory, brightness 40 and contrast 1.5 per channel; paused at $paused, Z and ] show $((paused - 1)) brighter"
end_player
echo "PASS"
