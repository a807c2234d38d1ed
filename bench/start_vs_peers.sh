#!/usr/bin/env bash
# Start, first frame and exit of the player as a whole process against mpv and
# ffplay: each shows a one-frame flic and ends. Two tables: the flic as given
# (each player shows its frame for the frame's own delay), then a copy whose
# frame asks 1 ms, which leaves the start and exit cost alone. The runs go in
# rounds (player, [second player,] mpv, ffplay, then again), so all meet the
# same load; printed are the medians of wall and processor milliseconds (the
# child's own user + system) and the median of each round's ratio, with the
# load average and, on the bench's own X server, that server's share.
#
# usage: bench/start_vs_peers.sh PLAYER [SECOND_PLAYER] [RUNS] [FLIC]
#   SECOND_PLAYER: another build to pair, e.g. the main branch's; "" for none
# Runs on $DISPLAY when it is set, else on a virtual X display of its own.
set -euo pipefail
case ${1:-} in -h | --help) sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0" && exit 0 ;; esac
here=$(cd "$(dirname "$0")/.." && pwd)
player=$(realpath "${1:?usage: start_vs_peers.sh PLAYER [SECOND_PLAYER] [RUNS] [FLIC]}")
second=${2:+$(realpath "$2")}
runs=${3:-11}
flic=$(realpath "${4:-$here/tests/data/flics/ap_logo.cel}")
source "$here/scripts/install_packages.sh"
kinetrope_install_packages mpv ffmpeg xvfb > /dev/null
work=$(mktemp -d)
trap 'kill ${xvfb:-} 2> /dev/null; rm -rf "$work"' EXIT
server=()
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3> "$work/display" 2> /dev/null &
  xvfb=$!
  until [ -s "$work/display" ]; do sleep 0.1; done
  DISPLAY=":$(cat "$work/display")"
  export DISPLAY
  server=(--server "$xvfb")
fi
# Nothing of the user's: empty options and configuration, a runtime folder of their own.
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$work/runtime"

# The copy keeps the name's extension, which the peers go by. Its speed
# field (4 bytes at offset 16) is in milliseconds in a .flc and in 1/70 s in
# a .fli, so there the least delay is one seventieth.
quick="$work/quick.${flic##*.}"
python3 - "$flic" "$quick" << 'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
data[16:20] = struct.pack("<I", 1)
open(sys.argv[2], "wb").write(data)
PY

table() { # TITLE FLIC
  local programs=("kinetrope=$(printf '%q ' "$player" "$2" /CLOSE)")
  [ -n "$second" ] && programs+=("second=$(printf '%q ' "$second" "$2" /CLOSE)")
  programs+=("mpv=mpv --no-config --really-quiet --no-audio $(printf '%q' "$2")"
    "ffplay=ffplay -v quiet -autoexit -an $(printf '%q' "$2")")
  python3 "$here/bench/start_rounds.py" "$runs" "$1" "${server[@]}" "${programs[@]}"
}
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
table "The flic as given: $(basename "$flic")" "$flic"
table "The same flic, its frame asking 1 ms: start and exit alone" "$quick"
echo
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
