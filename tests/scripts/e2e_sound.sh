#!/usr/bin/env bash
# End to end on a virtual X display: the real program plays a WAV file with a
# flic, through the audio library's disk driver, which writes every sample it
# is handed to a file at the pace of a real device.
#
# 1. "/WAVFILE tone.wav /DELAY 25 small.flc /CLOSE" (tone.wav found on disk as
#    Tone.wav) ends by itself with status 0, and the file written holds
#    silence, then exactly the WAV's samples, then silence: the flic outlasts
#    the sound;
# 2. Ctrl-C (SIGINT) during a looping playback with sound ends the program:
#    the audio library does not take the signal for itself;
# 3. with no audio device to be had, "/WAVFILE tone.wav small.flc /CLOSE"
#    shows an error box before any frame (the movie window stays hidden),
#    neither hanging nor crashing; once the box is answered the player is
#    still there, the run of words having stopped at the error;
# 4. a WAV of 1 Hz (three frames: three seconds of sound) stopped with the
#    playback: the program still ends by itself, closing the device at once
#    rather than after the audio thread's minutes-long buffer.
#
# usage: e2e_sound.sh BUILD_DIR
set -u

E2E_PACKAGES="x11-utils xdotool python3"
source "$(dirname "$0")/lib/e2e_common.sh"

# ---- On the virtual display ------------------------------------------------

cp "$demo" "$work/Small.flc"
export SDL_AUDIODRIVER=disk
export SDL_DISKAUDIOFILE="$work/written.raw"

# Half a second of 16-bit stereo at 22050 Hz in which no sample is silence and
# hardly two are alike; the bare samples go beside it for the comparison.
python3 - "$work/Tone.wav" "$work/tone.pcm" << 'PY' || fail "could not write the test sound"
import struct, sys
frames, rate, channels = 11025, 22050, 2
pcm = b"".join(struct.pack("<hh", 1 + (i * 7) % 32000, -1 - (i * 13) % 32000) for i in range(frames))
fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * 4, 4, 16)
body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(pcm)) + pcm
open(sys.argv[1], "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
open(sys.argv[2], "wb").write(pcm)
PY

# Runs the player in the work folder; waits for it to end by itself.
run_to_end() {
  local what=$1
  shift
  (cd "$work" && exec "$player" "$@") > "$work/player.log" 2>&1 &
  player_pid=$!
  await_player_end "$what (a message box?)" 60
  [ "$player_status" -eq 0 ] || fail "$what: ended with status $player_status"
}

run_to_end "sound with a flic" /WAVFILE tone.wav /DELAY 25 small.flc /CLOSE
[ -s "$SDL_DISKAUDIOFILE" ] || fail "nothing was written by the disk audio driver"
python3 - "$SDL_DISKAUDIOFILE" "$work/tone.pcm" << 'PY' || fail "the samples written are not the WAV's"
import sys
written = open(sys.argv[1], "rb").read()
pcm = open(sys.argv[2], "rb").read()
start = 0
while start + 4 <= len(written) and written[start:start + 4] == b"\0\0\0\0":
    start += 4
if written[start:start + len(pcm)] != pcm:
    sys.exit(f"the {len(pcm)} bytes after {start} bytes of silence differ from the WAV's samples")
rest = written[start + len(pcm):]
if rest.strip(b"\0"):
    sys.exit("sound after the WAV's end")
if not rest:
    sys.exit("the device was closed before the sound had played to its end")
print(f"ok: {start // 4} frames of silence, the WAV's {len(pcm) // 4} frames, {len(rest) // 4} frames of silence")
PY

python3 - "$work/slow.wav" << 'PY' || fail "could not write the slow sound"
import struct, sys
pcm = struct.pack("<hhh", 1000, -1000, 1000)
fmt = struct.pack("<HHIIHH", 1, 1, 1, 2, 2, 16)
body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(pcm)) + pcm
open(sys.argv[1], "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
PY
started=$(date +%s)
run_to_end "a 1 Hz sound" /WAVFILE slow.wav /DELAY 10 small.flc /CLOSE
echo "ok: with a 1 Hz sound the player ended by itself after $(($(date +%s) - started)) s"

rm -f "$SDL_DISKAUDIOFILE"
(cd "$work" && exec "$player" /WAVFILE tone.wav /LOOPON /DELAY 25 small.flc) > "$work/player.log" 2>&1 &
player_pid=$!
waited=0
until [ "$(stat -c %s "$SDL_DISKAUDIOFILE" 2> /dev/null || echo 0)" -gt 20000 ]; do
  kill -0 "$player_pid" 2> /dev/null || fail "Ctrl-C: the player ended before it was interrupted"
  sleep 0.05
  waited=$((waited + 1))
  [ $waited -lt 600 ] || fail "Ctrl-C: no sound was played within 30 s"
done
kill -INT "$player_pid"
await_player_end "Ctrl-C during a playback with sound" 10
[ "$player_status" -ne 0 ] || fail "Ctrl-C: the program ended with status 0"
echo "ok: Ctrl-C ended the program (status $player_status)"

# The disk driver cannot create its file: the library starts, its device does not open.
export SDL_DISKAUDIOFILE="$work/no such folder/written.raw"
(cd "$work" && exec "$player" /WAVFILE tone.wav small.flc /CLOSE) > "$work/player.log" 2>&1 &
player_pid=$!
box=""
waited=0
until [ -n "$box" ]; do
  kill -0 "$player_pid" 2> /dev/null || fail "no device: the player ended instead of showing an error box"
  sleep 0.1
  box=$(xdotool search --onlyvisible --name '^Kinetrope$' 2> /dev/null | head -n 1)
  waited=$((waited + 1))
  [ $waited -lt 300 ] || fail "no device: no error box within 30 s"
done
[ -z "$(xdotool search --onlyvisible --name '^Small.flc$' 2> /dev/null)" ] ||
  fail "no device: the movie window was shown, so a frame was"
xdotool windowfocus "$box" key Return
waited=0
while xdotool search --onlyvisible --name '^Kinetrope$' > /dev/null 2>&1; do
  sleep 0.1
  waited=$((waited + 1))
  [ $waited -lt 100 ] || fail "no device: the error box did not go away"
done
sleep 0.5
kill -0 "$player_pid" 2> /dev/null || fail "no device: the player ended after the error box"
kill "$player_pid"
wait "$player_pid" 2> /dev/null
player_pid=""
echo "ok: no audio device: an error box before any frame, and the player stayed"
echo "PASS"
