#!/usr/bin/env bash
# The colour reduction of true-colour input: kinetrope-cli convert (one
# shared palette from libimagequant, or one for each scene where that comes
# closer: the "cuts" clip joins three unlike ones) against FFmpeg's best GIF route
# (palettegen stats_mode=full, then paletteuse), on the same lossless clips.
# Prints PSNR (RGB, average over all frames, against the clip) and wall time
# as a Markdown table, without and with dithering.
#
# usage: bench/quantiser_psnr.sh CLI [SECONDS]
set -euo pipefail
cli=${1:?usage: quantiser_psnr.sh CLI [SECONDS]}
seconds=${2:-4}
source "$(dirname "$0")/../scripts/install_packages.sh"
kinetrope_install_packages ffmpeg bc >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

clips=(
  "mandelbrot=size=320x240:rate=10"
  "testsrc2=size=320x240:rate=10"
  "gradients=size=320x240:rate=10:speed=0.05"
  "life=size=320x240:rate=10:mold=10:ratio=0.1:death_color=#C83232:life_color=#00ff00"
  "cuts=mandelbrot=size=320x240:rate=10,trim=duration=$seconds,setpts=PTS-STARTPTS[a];testsrc2=size=320x240:rate=10,trim=duration=$seconds,setpts=PTS-STARTPTS[b];gradients=size=320x240:rate=10:speed=0.05,trim=duration=$seconds,setpts=PTS-STARTPTS[c];[a][b][c]concat=n=3:v=1:a=0"
)

psnr() {  # average RGB PSNR of $1 against $2
  ffmpeg -nostdin -v error -i "$1" -i "$2" \
    -lavfi "[0:v]format=rgb24,settb=1/10,setpts=N[a];[1:v]format=rgb24,settb=1/10,setpts=N[b];[a][b]psnr=stats_file=-" -f null - |
    awk '{for (i = 1; i <= NF; ++i) if ($i ~ /^psnr_avg:/) {split($i, v, ":"); s += (v[2] == "inf" ? 99 : v[2]); n++}}
         END {printf "%.2f", s / n}'
}

timed() {  # wall seconds of a command
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc | awk '{printf "%.2f", $1}'
}

echo "| clip | dither | Kinetrope PSNR dB | FFmpeg PSNR dB | Kinetrope s | FFmpeg s |"
echo "|---|---|---:|---:|---:|---:|"
for clip in "${clips[@]}"; do
  name=${clip%%=*}
  graph=$clip frames=$((seconds * 10))
  [[ $name == cuts ]] && graph=${clip#cuts=} frames=$((seconds * 30))
  src=$work/$name.mkv
  ffmpeg -nostdin -v error -f lavfi -i "$graph" -frames:v $frames -c:v ffv1 -pix_fmt bgr0 "$src"
  for dither in none full; do
    ours=(--delay 100)
    theirs=none
    [[ $dither == full ]] && { ours+=(--dither); theirs=sierra2_4a; }
    kt=$(timed "$cli" convert "$src" "$work/k.gif" "${ours[@]}")
    ff=$(timed ffmpeg -nostdin -v error -y -i "$src" \
      -lavfi "split[a][b];[a]palettegen=stats_mode=full[p];[b][p]paletteuse=dither=$theirs" "$work/f.gif")
    echo "| $name | $dither | $(psnr "$work/k.gif" "$src") | $(psnr "$work/f.gif" "$src") | $kt | $ff |"
  done
done
