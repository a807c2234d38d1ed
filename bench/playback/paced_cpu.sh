#!/usr/bin/env bash
# Processor use of a paced playback: a 640 x 480 flic of moving blocks at
# 72 ms a frame on a 1920 x 1080 virtual X display (Xvfb), in a window and
# full screen, the player, another build of it (BASELINE, if given) and mpv
# (the peer, if installed) in the same run, each measured as processor
# seconds per wall second of its own process and of the X server, from the
# nanosecond counts of /proc, after WARM_SECONDS (10) of warming up: a
# first pass over the flic also keeps pictures for stepping back.
#
# usage: bench/playback/paced_cpu.sh BUILD_DIR [SECONDS]   (default 20 s)
# BUILD_DIR holds kinetrope and bench/make_long_flic (Release).
# Environment: WINDOW_MANAGER=openbox runs the display under openbox;
#   PLAYER overrides the program measured; BASELINE names another build of
#   it to measure in the same run (before and after); FLIC plays another file.
set -u
case ${1:-} in -h | --help) sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0" && exit 0 ;; esac

build_dir=$(cd "${1:?usage: paced_cpu.sh BUILD_DIR [SECONDS]}" && pwd)
seconds=${2:-20}
source "$(dirname "$0")/paced_display.sh"

# Nanoseconds on a processor of all the threads of a process.
nanos() { cat /proc/"$1"/task/*/schedstat 2> /dev/null | awk '{s += $1} END {printf "%d\n", s}'; }
# Processor seconds per wall second of the program and of the X server.
measure() {
  local name=$1 pid=$2
  sleep "${WARM_SECONDS:-10}"
  kill -0 "$pid" 2> /dev/null || { echo "$name: ended early"; return; }
  local p0 x0 t0 p1 x1 t1
  p0=$(nanos "$pid") x0=$(nanos "$xvfb") t0=$(date +%s.%N)
  sleep "$seconds"
  p1=$(nanos "$pid") x1=$(nanos "$xvfb") t1=$(date +%s.%N)
  kill "$pid"
  wait "$pid" 2> /dev/null
  python3 -c "
wall = $t1 - $t0
print(f'$name: {($p1 - $p0) / 1e9 / wall:.4f} processor s per s, with the X server {($p1 - $p0 + $x1 - $x0) / 1e9 / wall:.4f}')"
}

echo "load at the start: $(cut -d' ' -f1-3 /proc/loadavg); ${WINDOW_MANAGER:-no window manager}; $seconds s each"
players=("kinetrope=$player")
[ -n "${BASELINE:-}" ] && players+=("baseline=$BASELINE")
for entry in "${players[@]}"; do
  name=${entry%%=*} program=${entry#*=}
  "$program" /DELAY 72 /LOOPON /PLAYFILE "$flic" > /dev/null 2>&1 &
  measure "$name window" $!
  "$program" /DIRECTXON /DELAY 72 /LOOPON /PLAYFILE "$flic" > /dev/null 2>&1 &
  measure "$name full screen" $!
done
if command -v mpv > /dev/null; then
  # The flic says 40 ms a frame; mpv plays it at 72.
  common=(--no-config --no-audio --loop-file=inf --speed=0.5556 --really-quiet)
  mpv "${common[@]}" --geometry=640x480 "$flic" > /dev/null 2>&1 &
  measure "mpv window" $!
  mpv "${common[@]}" --fs "$flic" > /dev/null 2>&1 &
  measure "mpv full screen" $!
else
  echo "mpv: not installed"
fi
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
