#!/usr/bin/env bash
# Converts flics with two programs in paired runs (A then B, so both meet the
# same load) and prints, per format, the median wall and processor (user +
# system) seconds of each and the medians of the pairs' ratios A / B, with
# the load average before and after, as a Markdown table. B may be `ffmpeg`
# (its own choices, WebP asked for lossless, PNG for the animated kind, as
# bench/convert_peer.sh does); otherwise it is another kinetrope-cli, e.g. a
# build of main, and the last column says whether the outputs are the same
# bytes (a flic's header times aside).
#
# usage: bench/convert_pair.sh CLI_A CLI_B|ffmpeg [RUNS] FORMATS FLIC...
#   FORMATS: a comma list of gif,png,webp,flc,mp4,webm
set -euo pipefail
case ${1:-} in -h | --help) sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0" && exit 0 ;; esac
a=${1:?usage: convert_pair.sh CLI_A CLI_B|ffmpeg [RUNS] FORMATS FLIC...}
b=${2:?usage: convert_pair.sh CLI_A CLI_B|ffmpeg [RUNS] FORMATS FLIC...}
shift 2
runs=5
[[ ${1:-} =~ ^[0-9]+$ ]] && { runs=$1; shift; }
formats=${1:?usage: convert_pair.sh CLI_A CLI_B|ffmpeg [RUNS] FORMATS FLIC...}
shift
[ -x /usr/bin/time ] || { echo "convert_pair.sh needs /usr/bin/time (Debian package time)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One run: "wall processor" seconds, or "failed".
run() {
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >/dev/null 2>&1 || { echo failed; return; }
  awk '{printf "%s %.2f\n", $1, $2 + $3}' "$work/time"
}
command_for() {  # PROGRAM FLIC OUT
  if [ "$1" = ffmpeg ]; then
    local peer=(ffmpeg -nostdin -v error -y -i "$2")
    case $3 in *.webp) peer+=(-lossless 1) ;; *.png) peer+=(-f apng -plays 0) ;; esac
    echo "${peer[@]}" "$3"
  else
    echo "$1" convert "$2" "$3"
  fi
}
# The same bytes, but for the times a flic's header records it was made at.
same_bytes() {
  case $1 in
    *.flc | *.fli) [ "$(stat -c %s "$1")" = "$(stat -c %s "$2")" ] &&
      ! cmp -l "$1" "$2" | awk '!(($1 >= 23 && $1 <= 26) || ($1 >= 31 && $1 <= 34)) {bad=1} END {exit !bad}' ;;
    *) cmp -s "$1" "$2" ;;
  esac
}
median() { sort -n | awk '{v[NR]=$1} END {printf "%.3f", NR ? v[int((NR+1)/2)] : 0}'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "| flic | format | A wall s | B wall s | wall A/B | A processor s | B processor s | processor A/B | same bytes |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---|"
for flic in "$@"; do
  for format in ${formats//,/ }; do
    walls_a=() walls_b=() cpus_a=() cpus_b=() wall_ratios=() cpu_ratios=()
    for _ in $(seq "$runs"); do
      read -r wa ca <<<"$(run $(command_for "$a" "$flic" "$work/a.$format"))"
      read -r wb cb <<<"$(run $(command_for "$b" "$flic" "$work/b.$format"))"
      [[ $wa == failed || $wb == failed ]] && { echo "| $(basename "$flic") | $format | failed |"; continue 2; }
      walls_a+=("$wa") walls_b+=("$wb") cpus_a+=("$ca") cpus_b+=("$cb")
      wall_ratios+=("$(echo "scale=4; $wa / $wb" | bc)")
      cpu_ratios+=("$(echo "scale=4; $ca / $cb" | bc)")
    done
    same=-
    [ "$b" != ffmpeg ] && { same_bytes "$work/a.$format" "$work/b.$format" && same=yes || same=NO; }
    echo "| $(basename "$flic") | $format | $(printf '%s\n' "${walls_a[@]}" | median) |" \
      "$(printf '%s\n' "${walls_b[@]}" | median) | $(printf '%s\n' "${wall_ratios[@]}" | median) |" \
      "$(printf '%s\n' "${cpus_a[@]}" | median) | $(printf '%s\n' "${cpus_b[@]}" | median) |" \
      "$(printf '%s\n' "${cpu_ratios[@]}" | median) | $same |"
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
