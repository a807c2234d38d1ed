#!/usr/bin/env bash
# Converts each flic to GIF with kinetrope-cli, squeezes the result with
# `gifsicle -O3` and prints both sizes and how much larger ours is, as a
# Markdown table. The pictures are checked on the way: every frame of our
# GIF, as ffmpeg and as Pillow decode it, equals the flic's frames as ffmpeg
# decodes them (frames that repeat the one before are joined in a GIF, so
# runs of the same picture count once). A file either tool refuses is
# listed as such.
#
# usage: bench/gif_vs_gifsicle.sh CLI FLIC... [-- CLI OPTIONS]
#   CLI OPTIONS: passed to kinetrope-cli convert, e.g. -- --threads 1 (the
#   picture check assumes opaque output: with --transparent it says differ)
set -euo pipefail
case ${1:-} in -h | --help) sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0" && exit 0 ;; esac
cli=${1:?usage: gif_vs_gifsicle.sh CLI FLIC... [-- CLI OPTIONS]}
shift
source "$(dirname "$0")/../scripts/install_packages.sh"
kinetrope_install_packages ffmpeg gifsicle python3-pil >/dev/null
source "$(dirname "$0")/flics_and_options.sh"

# The distinct pictures in turn, one digest each, as ffmpeg, or Pillow, sees them.
by_ffmpeg() { ffmpeg -nostdin -v error -i "$1" -f framemd5 -pix_fmt rgb24 - | awk '!/^#/ {print $6}' | uniq; }
by_pillow() {
  /usr/bin/python3 - "$1" <<'PY' | uniq
import hashlib, sys
from PIL import Image, ImageSequence
for frame in ImageSequence.Iterator(Image.open(sys.argv[1])):
    print(hashlib.md5(frame.convert("RGB").tobytes()).hexdigest())
PY
}

echo "| flic | Kinetrope bytes | gifsicle -O3 bytes | over gifsicle | pictures |"
echo "|---|---:|---:|---:|---|"
for flic in "${flics[@]}"; do
  name=$(basename "$flic")
  if ! "$cli" convert "$flic" "$work/k.gif" "${extra[@]}" >/dev/null 2>&1; then
    echo "| $name | refused | - | - | - |"
    continue
  fi
  gifsicle -O3 "$work/k.gif" -o "$work/o.gif"
  ours=$(stat -c %s "$work/k.gif")
  theirs=$(stat -c %s "$work/o.gif")
  over=$(echo "scale=2; ($ours - $theirs) * 100 / $theirs" | bc)
  rm -f "$work"/f*.bmp
  "$cli" export "$flic" "$work/f" >/dev/null 2>&1
  want=$(for bmp in "$work"/f*.bmp; do by_ffmpeg "$bmp"; done | uniq | md5sum)
  check=same
  [ "$(by_ffmpeg "$work/k.gif" | md5sum)" = "$want" ] || check="differ (ffmpeg)"
  [ "$(by_pillow "$work/k.gif" | md5sum)" = "$want" ] || check="$check; differ (Pillow)"
  echo "| $name | $ours | $theirs | $over% | $check |"
done
