#!/usr/bin/env bash
# Wake-ups of a paced playback: a 640 x 480 flic at 72 ms a frame (13.9
# frames a second) on a 1920 x 1080 virtual X display, in a window and full
# screen. Each second it prints how often each thread of the player went to
# sleep and woke again (its voluntary context switches), from the start:
# the first seconds hold the window's placement, and after six seconds the
# title is switched off, which places the window again while it plays. With
# STRACE=1 it also traces the steady seconds (strace -f -tt) and counts the
# calls of each thread by name.
#
# usage: bench/playback/wakeups.sh BUILD_DIR [SECONDS]   (default 10 s)
# BUILD_DIR holds kinetrope and bench/make_long_flic (Release).
# Environment: WINDOW_MANAGER=openbox runs the display under openbox;
#   PLAYER overrides the program measured (another build, for before and after).
set -u
case ${1:-} in -h | --help) sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0" && exit 0 ;; esac

build_dir=$(cd "${1:?usage: wakeups.sh BUILD_DIR [SECONDS]}" && pwd)
seconds=${2:-10}
player=${PLAYER:-$build_dir/kinetrope}
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

"$build_dir/bench/make_long_flic" "$work/blocks.flc" --frames 100 --size 640 480 > /dev/null || exit 1
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3> "$work/display" 2> /dev/null &
pids+=("$!")
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$work/config"
if [ -n "${WINDOW_MANAGER:-}" ]; then
  HOME="$work" "$WINDOW_MANAGER" > /dev/null 2>&1 &
  pids+=("$!")
  sleep 1
fi

# "name:switches" of each thread of the process.
switches() {
  for task in /proc/"$1"/task/*; do
    echo "$(cat "$task/comm"):$(sed -n 's/^voluntary_ctxt_switches:\s*//p' "$task/status")"
  done 2> /dev/null
}

measure() {
  local name=$1 pid=$2 before after second
  echo "$name (${WINDOW_MANAGER:-no window manager}): wake-ups per second of each thread"
  before=$(switches "$pid")
  for second in $(seq 1 $((seconds + 6))); do
    sleep 1
    [ "$second" = 6 ] && [ "$name" = window ] && xdotool key t
    after=$(switches "$pid")
    join -t: <(sort <<< "$before") <(sort <<< "$after") | awk -F: -v s="$second" \
      '{ line = line sprintf(" %s %d", $1, $3 - $2) } END { printf "  %2d s:%s\n", s, line }'
    before=$after
  done
  if [ -n "${STRACE:-}" ]; then
    timeout "$seconds" strace -f -tt -p "$pid" -o "$work/trace" 2> /dev/null
    echo "  calls in $seconds steady seconds, by thread:"
    sed -n 's/^\([0-9]*\) [0-9:.]* \([a-z_0-9]*\)(.*/\1 \2/p' "$work/trace" | sort | uniq -c | sort -rn | sed 's/^/   /'
  fi
  kill "$pid"
  wait "$pid" 2> /dev/null
}

"$player" /DELAY 72 /LOOPON /PLAYFILE "$work/blocks.flc" > /dev/null 2>&1 &
measure window $!
"$player" /DIRECTXON /DELAY 72 /LOOPON /PLAYFILE "$work/blocks.flc" > /dev/null 2>&1 &
measure "full screen" $!
