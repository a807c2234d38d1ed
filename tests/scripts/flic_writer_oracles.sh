#!/usr/bin/env bash
# The flics kinetrope-cli convert writes read alike everywhere: every real flic
# that kinetrope-cli check reads cleanly is re-encoded as FLC (and as FLI where
# it is 320x200), and every picture of the result, as our reader, ffmpeg and
# Pillow show it, must be the source's picture (flic_writer_compare.py). The
# file written on 3 threads must be the one written on 1.
#
# usage: flic_writer_oracles.sh BUILD_DIR
# Exit status 77 (skipped) when ffmpeg or Pillow is missing.
set -u

build_dir=${1:?usage: flic_writer_oracles.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
cli="$build_dir/kinetrope-cli"
flics=${KINETROPE_TEST_FLICS:-$here/../data/flics}

[ -x "$cli" ] || { echo "FAIL: $cli is not built"; exit 1; }
command -v ffmpeg > /dev/null || { echo "SKIP: ffmpeg is not installed"; exit 77; }
# Debian's Pillow belongs to Debian's interpreter, which another python3 earlier on PATH may hide.
python3() { if [ -x /usr/bin/python3 ]; then /usr/bin/python3 "$@"; else command python3 "$@"; fi; }
python3 -c "import PIL" 2> /dev/null || { echo "SKIP: Pillow (python3-pil) is not installed"; exit 77; }

work=$(mktemp -d)
# The header's dates as well as the pictures are the same from run to run.
export SOURCE_DATE_EPOCH=1700000000
trap 'rm -rf "$work"' EXIT

matched=0
failed=0
for flic in "$flics"/*.fli "$flics"/*.flc "$flics"/*.cel; do
  [ -f "$flic" ] || continue
  name=$(basename "$flic")
  "$cli" check "$flic" > /dev/null 2>&1 || continue
  rm -f "$work"/source*.bmp
  "$cli" export "$flic" "$work/source" > /dev/null 2>&1 || { echo "FAIL $name: export failed"; failed=$((failed + 1)); continue; }
  size=$(python3 -c "import struct,sys; print('%dx%d' % struct.unpack_from('<HH', open(sys.argv[1],'rb').read(), 8))" "$flic")
  outputs=(flc)
  [ "$size" = 320x200 ] && outputs+=(fli)
  for kind in "${outputs[@]}"; do
    out="$work/out.$kind"
    rm -f "$out" "$work"/output*.bmp "$work/ffmpeg.raw"
    if ! "$cli" convert "$flic" "$out" --threads 3 > "$work/convert.txt" 2>&1; then
      echo "FAIL $name -> $kind: $(cat "$work/convert.txt")"
      failed=$((failed + 1))
      continue
    fi
    if ! "$cli" convert "$flic" "$work/one.$kind" --threads 1 > /dev/null 2>&1 || ! cmp -s "$out" "$work/one.$kind"; then
      echo "FAIL $name -> $kind: 1 and 3 threads write different files"
      failed=$((failed + 1))
      continue
    fi
    "$cli" export "$out" "$work/output" > /dev/null 2>&1 || { echo "FAIL $name -> $kind: export failed"; failed=$((failed + 1)); continue; }
    ffmpeg -nostdin -v error -i "$out" -f rawvideo -pix_fmt pal8 -fps_mode passthrough "$work/ffmpeg.raw" > "$work/ffmpeg.txt" 2>&1
    tolerance=0
    [ "$kind" = fli ] && tolerance=3
    if result=$(python3 "$here/flic_writer_compare.py" "$work/source" "$work/output" "$work/ffmpeg.raw" "$out" "$tolerance" 2>&1); then
      echo "MATCH $name -> $kind ($(stat -c %s "$flic") -> $(stat -c %s "$out") bytes): $result"
      matched=$((matched + 1))
    else
      echo "FAIL $name -> $kind: $result"
      failed=$((failed + 1))
    fi
  done
done

echo "$matched passed, $failed failed"
[ "$matched" -gt 0 ] || { echo "FAIL: no flic was compared"; exit 1; }
[ "$failed" -eq 0 ]
