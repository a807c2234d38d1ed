#!/usr/bin/env bash
# ffmpeg as an outside oracle: every real flic that kinetrope-cli check reads
# cleanly is exported with kinetrope-cli export, and each frame of the first
# pass must agree with ffmpeg's own decoding, palette index for palette index,
# colours included (see ffmpeg_compare.py for how ffmpeg widens 6-bit colours).
#
# None of the real flics is 640 x 480, so a 640 x 480 DELTA_FLC flic of
# moving blocks from make_long_flic goes with them, and so do the 15, 16 and
# 24-bit flics of tests/data/true_colour and 640 x 480 ones of each depth;
# those of tests/data/true_colour are also converted (ffmpeg_compare.py --converted).
#
# usage: ffmpeg_oracle.sh BUILD_DIR
# The flics come from tests/data/flics, or from $KINETROPE_TEST_FLICS.
# Exit status 77 (skipped) when ffmpeg or python3 cannot be had.
set -u

build_dir=${1:?usage: ffmpeg_oracle.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
cli="$build_dir/kinetrope-cli"
make_long_flic="$build_dir/bench/make_long_flic"
flics=${KINETROPE_TEST_FLICS:-$here/../data/flics}

for program in "$cli" "$make_long_flic"; do
  if [ ! -x "$program" ]; then
    echo "FAIL: $program is not built"
    exit 1
  fi
done
if [ ! -d "$flics" ]; then
  echo "FAIL: no flics at $flics"
  exit 1
fi

install_ffmpeg() {
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo > /dev/null || return 1
    sudo="sudo -n"
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get install -y -qq ffmpeg > /dev/null 2>&1 ||
    { $sudo apt-get update -qq > /dev/null 2>&1 && $sudo apt-get install -y -qq ffmpeg > /dev/null 2>&1; }
}

if ! command -v ffmpeg > /dev/null; then
  echo "ffmpeg is missing; installing it with apt-get"
  install_ffmpeg
fi
if ! command -v ffmpeg > /dev/null; then
  echo "SKIP: ffmpeg is not installed and cannot be installed here"
  exit 77
fi
if ! command -v python3 > /dev/null; then
  echo "SKIP: python3 is needed for the comparison"
  exit 77
fi
# Debian's Pillow belongs to Debian's interpreter, which another python3 earlier on PATH may hide.
python3() { if [ -x /usr/bin/python3 ]; then /usr/bin/python3 "$@"; else command python3 "$@"; fi; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Given --help, the tool prints its usage instead of writing a flic of that name.
(cd "$work" && "$make_long_flic" --help | grep -q '^usage: make_long_flic' && [ ! -e ./--help ]) ||
  { echo "FAIL: make_long_flic --help does not print its usage, or writes a file"; exit 1; }
mkdir "$work/made"
"$make_long_flic" "$work/made/moving_blocks_640x480.flc" --frames 26 --size 640 480 > /dev/null ||
  { echo "FAIL: make_long_flic failed"; exit 1; }
for depth in 15 16 24; do
  "$make_long_flic" "$work/made/moving_blocks_640x480_$depth.flh" --frames 12 --size 640 480 --depth $depth \
    > /dev/null || { echo "FAIL: make_long_flic --depth $depth failed"; exit 1; }
done

converted() {
  local c=$work/conv out
  rm -rf "$c" && mkdir "$c"
  for out in 'a.png --scale 2' 'p%04d.png --brightness 10 --contrast 2' w.webp g.gif f.flc; do
    local name=${out%% *}
    "$cli" convert "$1" "$c/$name" ${out#"$name"} > /dev/null 2> "$c/err.txt" || { echo "$out: $(cat "$c/err.txt")"; return 1; }
    [ "$name" = w.webp ] || ffmpeg -nostdin -v error -i "$c/$name" -f rawvideo -pix_fmt bgr24 -fps_mode passthrough \
      "$c/${name:0:1}.raw" || return 1
  done
  ffprobe -v error -select_streams v -show_entries packet=duration_time -of csv=p=0 "$c/g.gif" > "$c/g.times"
  python3 "$here/ffmpeg_compare.py" --converted "$1" "$work/ffmpeg.raw" "$c"
}

matched=0
failed=0
skipped=0
# 15, 16 and 24-bit flics: the chunks of each depth, from make_true_colour_flics.
true_colour=${KINETROPE_TEST_TRUE_COLOUR_FLICS:-$here/../data/true_colour}
for flic in "$flics"/*.fli "$flics"/*.flc "$flics"/*.cel "$work/made"/*.flc "$work/made"/*.flh \
    "$true_colour"/*.flh "$true_colour"/*.flt "$true_colour"/*.flx; do
  [ -f "$flic" ] || continue
  name=$(basename "$flic")
  if ! "$cli" check "$flic" > "$work/check.txt" 2>&1; then
    echo "SKIP $name: kinetrope-cli check finds it damaged ($(head -n 1 "$work/check.txt"))"
    skipped=$((skipped + 1))
    continue
  fi
  rm -f "$work"/frame*.bmp "$work/ffmpeg.raw"
  # passthrough: one picture per frame record, none repeated or dropped for timing.
  # True colour is asked for in the file's own layout (see ffmpeg_compare.py).
  pix_fmt=$(python3 "$here/ffmpeg_compare.py" --pix-fmt "$flic")
  if ! ffmpeg -nostdin -v error -i "$flic" -f rawvideo -pix_fmt "$pix_fmt" -fps_mode passthrough \
      "$work/ffmpeg.raw" > "$work/ffmpeg.txt" 2>&1 || [ ! -s "$work/ffmpeg.raw" ]; then
    echo "SKIP $name: ffmpeg cannot decode it ($(head -n 1 "$work/ffmpeg.txt"))"
    skipped=$((skipped + 1))
    continue
  fi
  if ! "$cli" export "$flic" "$work/frame" > "$work/export.txt" 2>&1; then
    echo "FAIL $name: kinetrope-cli export failed: $(cat "$work/export.txt")"
    failed=$((failed + 1))
    continue
  fi
  if result=$(python3 "$here/ffmpeg_compare.py" "$flic" "$work/frame" "$work/ffmpeg.raw" 2>&1); then
    echo "MATCH $name: $result"
    matched=$((matched + 1))
    [ "$flic" = "$true_colour/$name" ] || continue
    python3 -c "import PIL" 2> /dev/null || { echo "SKIP $name conversions: no Pillow"; skipped=$((skipped + 1)); continue; }
    result=$(converted "$flic" 2>&1) && echo "MATCH $name conversions: $result" ||
      { echo "FAIL $name conversions: $result"; failed=$((failed + 1)); }
  else
    echo "FAIL $name: $result"
    failed=$((failed + 1))
  fi
done

echo "$matched passed, $failed failed, $skipped skipped"
[ "$matched" -gt 0 ] || { echo "FAIL: no flic was compared"; exit 1; }
[ "$failed" -eq 0 ]
