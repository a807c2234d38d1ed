#!/usr/bin/env bash
# Converts flics with kinetrope-cli convert and with ffmpeg to each format and
# prints time (wall, median of RUNS) and size side by side, as a Markdown table.
# The runs are paired, ours then ffmpeg's, so both meet the same load; the
# ratio column is the median of the pairs' ratios. For GIF, `gifsicle -O3`
# squeezes our file and the last column says how much larger ours is.
#
# usage: bench/convert_peer.sh CLI [RUNS] [FORMATS] FLIC... [-- CLI OPTIONS]
#   FORMATS: a comma list of gif,webp,mp4,webm,png (default gif,webp,mp4)
#   CLI OPTIONS: passed to kinetrope-cli convert, e.g. -- --threads 1
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
kinetrope_install_packages ffmpeg gifsicle >/dev/null
source "$(dirname "$0")/flics_and_options.sh"

# one run's wall seconds
wall() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || { echo "failed"; return; }
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

median() { sort -n | awk '{a[NR]=$1} END {printf "%.3f", a[int((NR+1)/2)]}'; }

frames_in() { ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames -of csv=p=0 "$1" 2>/dev/null || echo "?"; }

echo "| flic | format | Kinetrope s | ffmpeg s | ratio | Kinetrope bytes | ffmpeg bytes | frames K / ffmpeg | over gifsicle -O3 |"
echo "|---|---|---:|---:|---:|---:|---:|---|---:|"
for flic in "${flics[@]}"; do
  name=$(basename "$flic")
  for format in ${formats//,/ }; do
    out_k="$work/k.$format"
    out_f="$work/f.$format"
    peer=(ffmpeg -nostdin -v error -y -i "$flic")
    [ "$format" = webp ] && peer+=(-lossless 1)
    [ "$format" = png ] && peer+=(-f apng -plays 0)
    peer+=("$out_f")
    tks=() tfs=() ratios=()
    for _ in $(seq "$runs"); do
      tk=$(wall "$cli" convert "$flic" "$out_k" "${extra[@]}")
      tf=$(wall "${peer[@]}")
      tks+=("$tk") tfs+=("$tf")
      [[ $tk != failed && $tf != failed ]] && ratios+=("$(echo "scale=4; $tk / $tf" | bc)")
    done
    tk=$(printf '%s\n' "${tks[@]}" | median)
    tf=$(printf '%s\n' "${tfs[@]}" | median)
    ratio=$(printf '%s\n' "${ratios[@]:-0}" | median)
    sk=$(stat -c %s "$out_k" 2>/dev/null || echo "-")
    sf=$(stat -c %s "$out_f" 2>/dev/null || echo "-")
    if [ "$format" = webp ]; then
      fk="-"; ff="-"  # ffmpeg 5 reads no animated WebP
    else
      fk=$(frames_in "$out_k"); ff=$(frames_in "$out_f")
    fi
    over="-"
    if [ "$format" = gif ] && gifsicle -O3 "$out_k" -o "$work/o.gif" 2>/dev/null; then
      over=$(echo "scale=1; ($sk - $(stat -c %s "$work/o.gif")) * 100 / $(stat -c %s "$work/o.gif")" | bc)%
    fi
    echo "| $name | $format | $tk | $tf | $ratio | $sk | $sf | $fk / $ff | $over |"
  done
done
