#!/usr/bin/env bash
# Converts flics with kinetrope-cli convert and with ffmpeg to each format and
# prints time (wall, median of RUNS) and size side by side, as a Markdown table.
#
# usage: bench/convert_peer.sh CLI [RUNS] [FORMATS] FLIC...
#   FORMATS: a comma list of gif,webp,mp4,webm,png (default gif,webp,mp4)
# ffmpeg's own choices are kept (`ffmpeg -i FILE out.EXT`), except that WebP
# is asked for lossless (-lossless 1), as Kinetrope writes it, and PNG for
# the animated kind (-f apng -plays 0). Wall time includes starting the
# program; Kinetrope's also its fsync before the rename.
set -euo pipefail
# --help prints the comment above, not a build or a run in a folder named --help.
case ${1:-} in -h | --help) sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0" && exit 0 ;; esac
cli=${1:?usage: convert_peer.sh CLI [RUNS] [FORMATS] FLIC...}
shift
runs=5
[[ ${1:-} =~ ^[0-9]+$ ]] && { runs=$1; shift; }
formats=gif,webp,mp4
[[ ${1:-} =~ ^[a-z0-9,]+$ && ! -f ${1:-} ]] && { formats=$1; shift; }
source "$(dirname "$0")/../scripts/install_packages.sh"
kinetrope_install_packages ffmpeg >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# median wall seconds of a command run $runs times
median_time() {
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || { echo "failed"; return; }
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc)")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.3f", a[int((NR+1)/2)]}'
}

frames_in() { ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames -of csv=p=0 "$1" 2>/dev/null || echo "?"; }

echo "| flic | format | Kinetrope s | ffmpeg s | Kinetrope bytes | ffmpeg bytes | frames K / ffmpeg |"
echo "|---|---|---:|---:|---:|---:|---|"
for flic in "$@"; do
  name=$(basename "$flic")
  for format in ${formats//,/ }; do
    out_k="$work/k.$format"
    out_f="$work/f.$format"
    peer=(ffmpeg -nostdin -v error -y -i "$flic")
    [ "$format" = webp ] && peer+=(-lossless 1)
    [ "$format" = png ] && peer+=(-f apng -plays 0)
    peer+=("$out_f")
    tk=$(median_time "$cli" convert "$flic" "$out_k")
    tf=$(median_time "${peer[@]}")
    sk=$(stat -c %s "$out_k" 2>/dev/null || echo "-")
    sf=$(stat -c %s "$out_f" 2>/dev/null || echo "-")
    if [ "$format" = webp ]; then
      fk="-"; ff="-"  # ffmpeg 5 reads no animated WebP
    else
      fk=$(frames_in "$out_k"); ff=$(frames_in "$out_f")
    fi
    echo "| $name | $format | $tk | $tf | $sk | $sf | $fk / $ff |"
  done
done
