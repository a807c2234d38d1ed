#!/usr/bin/env bash
# Wake-ups of a paced playback: a 640 x 480 flic at 72 ms a frame (13.9
# frames a second) on a 1920 x 1080 virtual X display, in a window and full
# screen. Each second it prints how often each thread of the player went to
# sleep and woke again (its voluntary context switches), from the start:
# the first seconds hold the window's placement, and after six seconds the
# title is switched off, which places the window again while it plays. With
# STRACE=1 it also traces the player (strace -f -tt; the switches then count
# the tracer's stops too) and counts each second the main thread's timed
# waits (polls with a timeout): one a frame when nothing but the wait for
# the next frame wakes it.
#
# usage: bench/playback/wakeups.sh BUILD_DIR [SECONDS]   (default 10 s)
# BUILD_DIR holds kinetrope and bench/make_long_flic (Release).
# Environment: WINDOW_MANAGER=openbox runs the display under openbox;
#   PLAYER overrides the program measured (another build, for before and after);
#   FLIC plays another file.
set -u
case ${1:-} in -h | --help) sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0" && exit 0 ;; esac

build_dir=$(cd "${1:?usage: wakeups.sh BUILD_DIR [SECONDS]}" && pwd)
seconds=${2:-10}
source "$(dirname "$0")/paced_display.sh"

# "name:switches" of each thread of the process.
switches() {
  for task in /proc/"$1"/task/*; do
    echo "$(cat "$task/comm"):$(sed -n 's/^voluntary_ctxt_switches:\s*//p' "$task/status")"
  done 2> /dev/null
}

measure() {
  local name=$1 pid=$2 before after second tracer=""
  echo "$name (${WINDOW_MANAGER:-no window manager}): ${STRACE:+timed waits of the main thread and }wake-ups per second"
  if [ -n "${STRACE:-}" ]; then
    strace -f -tt -p "$pid" -o "$work/trace" 2> /dev/null &
    tracer=$!
  fi
  before=$(switches "$pid")
  for second in $(seq 1 $((seconds + 6))); do
    sleep 1
    [ "$second" = 6 ] && [ "$name" = window ] && xdotool key t
    after=$(switches "$pid")
    join -t: <(sort <<< "$before") <(sort <<< "$after") | awk -F: -v s="$second" \
      '{ line = line sprintf(" %s %d", $1, $3 - $2) } END { printf "  %2d s:%s\n", s, line }'
    before=$after
  done
  kill "$pid"
  wait "$pid" 2> /dev/null
  [ -z "$tracer" ] && return
  wait "$tracer"
  awk -v main="$pid" '$1 == main && / poll\(\[.*\], [0-9]+, [1-9][0-9]*[) ]/ {
      split($2, t, ":"); now = t[1] * 3600 + t[2] * 60 + t[3]; if (!start) start = now
      waits[int(now - start)]++ }
    END { for (s = 0; s in waits; s++) line = line " " waits[s]; print "  timed waits each second:" line }' "$work/trace"
}

"$player" /DELAY 72 /LOOPON /PLAYFILE "$flic" > /dev/null 2>&1 &
measure window $!
"$player" /DIRECTXON /DELAY 72 /LOOPON /PLAYFILE "$flic" > /dev/null 2>&1 &
measure "full screen" $!
