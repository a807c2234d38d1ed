#!/usr/bin/env bash
# Two real players over one options file, closed by the same SIGTERM, again
# and again: each changes a different option first (one the brightness with
# "]", the other the contrast with "."), and after both have ended the file
# must hold both changes. Prints how many runs lost a change.
#
# usage: bench/options_close_together.sh BUILD_DIR [RUNS]
set -u
# --help prints the comment above, not a build or a run in a folder named --help.
case ${1:-} in -h | --help) sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0" && exit 0 ;; esac

runs=${2:-30}
E2E_PACKAGES="xdotool x11-utils"
source "$(dirname "$0")/../tests/scripts/lib/e2e_common.sh"

options="$XDG_CONFIG_HOME/Kinetrope/Kinetrope.conf"
stored() { sed -n "s/^$1=\(.*\)\\\\x00\$/\1/p" "$options" 2> /dev/null; }

# The panel of the player with this process id.
panel_of() {
  local window="" tries=100
  while [ -z "$window" ] && [ $tries -gt 0 ]; do
    window=$(xdotool search --pid "$1" --name '^Kinetrope 32bit' 2> /dev/null | head -n 1)
    sleep 0.1
    tries=$((tries - 1))
  done
  [ -n "$window" ] || fail "player $1 showed no control panel"
  echo "$window"
}

lost=0
for run in $(seq 1 "$runs"); do
  mkdir -p "$(dirname "$options")"
  printf '[Kinetrope]\nBrightness=0\\x00\nContrast=10\\x00\n' > "$options"
  "$player" > "$work/first.log" 2>&1 &
  first=$!
  "$player" > "$work/second.log" 2>&1 &
  second=$!
  xdotool windowfocus --sync "$(panel_of $first)" type "]"
  xdotool windowfocus --sync "$(panel_of $second)" type "."
  sleep 0.3
  kill -TERM "$first" "$second"
  wait "$first" "$second"
  brightness=$(stored Brightness)
  contrast=$(stored Contrast)
  if [ "$brightness" != 5 ] || [ "$contrast" != 12 ]; then
    lost=$((lost + 1))
    echo "run $run: brightness $brightness (5 saved), contrast $contrast (12 saved)"
  fi
done
echo "$runs runs of two players closing together: $lost lost a change"
