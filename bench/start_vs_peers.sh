#!/usr/bin/env bash
# Start, first frame and exit of the player as a whole process against mpv and
# ffplay: each shows a one-frame flic (for its own 71 ms) and ends. The runs
# go in turn (player, [second player,] mpv, ffplay, then again), so all meet
# the same load; printed are the medians of wall and processor seconds (user +
# system, GNU time) and the median of each round's ratio, with the load average.
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
kinetrope_install_packages time mpv ffmpeg xvfb > /dev/null
work=$(mktemp -d)
trap 'kill ${xvfb:-} 2> /dev/null; rm -rf "$work"' EXIT
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3> "$work/display" 2> /dev/null &
  xvfb=$!
  until [ -s "$work/display" ]; do sleep 0.1; done
  DISPLAY=":$(cat "$work/display")"
  export DISPLAY
fi
# Nothing of the user's: empty options and configuration, a runtime folder of their own.
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$work/runtime"

names=(kinetrope) commands=("$player $flic /CLOSE")
[ -n "$second" ] && names+=(second) commands+=("$second $flic /CLOSE")
names+=(mpv ffplay) commands+=("mpv --no-config --really-quiet --no-audio $flic" "ffplay -v quiet -autoexit -an $flic")
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for round in $(seq 0 "$runs"); do # round 0 warms the caches and is left out
  for i in "${!names[@]}"; do
    # shellcheck disable=SC2086
    /usr/bin/time -f "$round ${names[$i]} %e %U %S" -a -o "$work/times" ${commands[$i]} > /dev/null 2>&1 < /dev/null
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$work/times" << 'EOF'
import collections, statistics, sys
runs = collections.defaultdict(dict)
for line in open(sys.argv[1]):
    r, name, wall, user, system = line.split()
    if r != "0": runs[name][r] = (float(wall), float(user) + float(system))
median = lambda xs: statistics.median(xs)
ours = runs["kinetrope"]
print("| program | wall s | cpu s | kinetrope / it, wall | kinetrope / it, cpu |\n|---|---:|---:|---:|---:|")
for name, times in runs.items():
    ratio = lambda k: median([ours[r][k] / times[r][k] for r in times if times[r][k] > 0])
    print("| %s | %.3f | %.3f | %.3f | %.3f |" % (name, median([t[0] for t in times.values()]),
          median([t[1] for t in times.values()]), ratio(0), ratio(1)))
EOF
