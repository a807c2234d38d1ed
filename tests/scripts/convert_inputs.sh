#!/usr/bin/env bash
# kinetrope-cli convert from every kind of input, with ffmpeg as the outside
# decoder: GIF, animated PNG, lossless WebP and numbered BMP frames of at most
# 256 colours come out pixel for pixel as ffmpeg decodes the input (and their
# frames keep their own times); a true-colour video with a cut comes out
# closer to the original than ffmpeg's palettegen/paletteuse GIF; fixed palettes
# in all four file formats give the same file; damaged input fails whole
# (a video with a damaged frame too, whose frames before it --keep-going keeps).
#
# usage: convert_inputs.sh BUILD_DIR        (77: ffmpeg cannot be had)
set -u
cli="$(cd "${1:?usage: convert_inputs.sh BUILD_DIR}" && pwd)/kinetrope-cli"
here=$(cd "$(dirname "$0")" && pwd)
command -v ffmpeg >/dev/null && command -v python3 >/dev/null || { echo "SKIP: no ffmpeg or python3"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ff() { ffmpeg -nostdin -v error -y "$@"; }
rgb() { ff -i "$1" -f rawvideo -pix_fmt rgb24 -fps_mode passthrough "$2"; }
# Pixel for pixel, frame count included.
same_pictures() {
  rgb "$1" a.rgb && rgb "$2" b.rgb && cmp -s a.rgb b.rgb || fail "$3: the pictures differ from ffmpeg's ($(stat -c %s a.rgb) / $(stat -c %s b.rgb) bytes)"
}
durations() { ffprobe -v error -select_streams v -show_entries packet=duration_time -of csv=p=0 "$1" | tr '\n' ' '; }

# Inputs of at most 256 colours; the GIF's last four frames last longer.
clip="testsrc=size=96x64:rate=10:duration=1.2"
ff -f lavfi -i "$clip" -vf "setpts='(N+2*max(N-7,0))/10/TB',split[a][b];[a]palettegen[p];[b][p]paletteuse=dither=none" \
  -fps_mode vfr in.gif
ff -i in.gif -f apng -plays 0 in.apng
ff -i in.gif -c:v libwebp_anim -lossless 1 in.webp
mkdir bmp && ff -i in.gif -pix_fmt pal8 -fps_mode passthrough bmp/f%03d.bmp

for input in in.gif in.apng 'bmp/f%03d.bmp'; do
  rm -f out*.png
  "$cli" convert "$input" 'out%04d.png' >/dev/null || fail "$input: convert failed"
  same_pictures "$input" 'out%04d.png' "$input"
done
"$cli" convert in.gif out.gif >/dev/null && same_pictures in.gif out.gif "GIF to GIF"
[ "$(durations in.gif)" = "$(durations out.gif)" ] || fail "GIF times: $(durations in.gif) became $(durations out.gif)"
"$cli" convert in.webp 'w%04d.png' >/dev/null && same_pictures in.gif 'w%04d.png' "lossless WebP"

# True colour with a cut: each scene's own palette comes 3 dB closer than
# ffmpeg's best GIF route with one (one shared palette comes 1.8 dB closer).
ff -f lavfi -i "testsrc2=size=160x120:rate=10:duration=1[a];mandelbrot=size=160x120:rate=10,trim=duration=1,setpts=PTS-STARTPTS[b];[a][b]concat=n=2:v=1:a=0" \
  -c:v ffv1 -pix_fmt bgr0 video.mkv
ff -i video.mkv -lavfi "split[a][b];[a]palettegen=stats_mode=full[p];[b][p]paletteuse=dither=none" theirs.gif
"$cli" convert video.mkv ours.gif >/dev/null || fail "video: convert failed"
psnr() {
  ffmpeg -nostdin -i "$1" -i video.mkv -lavfi "[0:v]format=rgb24,settb=1/10,setpts=N[a];[1:v]format=rgb24,settb=1/10,setpts=N[b];[a][b]psnr" -f null - 2>&1 |
    sed -n 's/.*average:\([0-9.]*\).*/\1/p'
}
ours=$(psnr ours.gif) theirs=$(psnr theirs.gif)
python3 -c "import sys; sys.exit(0 if float('$ours') >= float('$theirs') + 3 else 1)" ||
  fail "video: PSNR $ours dB, ffmpeg's palettegen route $theirs dB"

# One palette in the four file formats; the BMP frames' own colours keep their indices.
python3 - <<'PY'
import struct
data = open("bmp/f001.bmp", "rb").read()
table = [data[54 + 4 * i:54 + 4 * i + 3][::-1] for i in range(256)]
open("p.act", "wb").write(b"".join(table))
open("p.pal", "w").write("JASC-PAL\r\n0100\r\n256\r\n" + "".join("%d %d %d\r\n" % tuple(c) for c in table))
open("p.gpl", "w").write("GIMP Palette\nName: test\nColumns: 16\n#\n" + "".join("%3d %3d %3d\tIndex\n" % tuple(c) for c in table))
PY
for palette in p.act p.pal p.gpl; do
  "$cli" convert 'bmp/f%03d.bmp' "k_${palette#p.}.gif" --palette "$palette" >/dev/null || fail "--palette $palette failed"
done
cmp -s k_act.gif k_pal.gif && cmp -s k_act.gif k_gpl.gif || fail "the three palette files give different GIFs"
same_pictures 'bmp/f%03d.bmp' k_act.gif "--palette with the input's own colours"
"$cli" convert in.gif k.gif --palette in.gif >/dev/null 2>&1 && fail "a GIF was taken as a palette file"
printf 'JASC-PAL\r\n0100\r\n2\r\n0 0 0\r\n300 0 0\r\n' > bad.pal
[[ $("$cli" convert in.gif k.gif --palette bad.pal 2>&1) == *"bad.pal: line 5 "* ]] || fail "a colour of 300 was taken"
ann="$here/../data/flics/ap_ann2.fli"
"$cli" convert "$ann" own.gif --frames 0 >/dev/null && "$cli" convert "$ann" fixed.gif --frames 0 --palette "$ann" >/dev/null &&
  same_pictures own.gif fixed.gif "a flic's own first palette"

# Transparent pixels: the background colour, or the key index.
"$cli" convert "$here/../data/flics/ap_ann2.fli" t.gif --transparent 0 >/dev/null
"$cli" convert t.gif bg%04d.png --background ff00ff >/dev/null
"$cli" convert t.gif key.gif --key 7 --palette p.act >/dev/null
python3 - <<'PY' || fail "background or key colour"
import subprocess
def frame(path):
    return subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgba", "-"],
                          capture_output=True, check=True).stdout
t, bg, key = frame("t.gif"), frame("bg0000.png"), frame("key.gif")
table = open("p.act", "rb").read()
holes = [i for i in range(0, len(t), 4) if t[i + 3] == 0]
assert holes, "no transparent pixel to check"
assert all(bg[i:i + 3] == b"\xff\x00\xff" for i in holes)
assert all(key[i:i + 3] == table[21:24] for i in holes)
PY

# Damaged input: a reason naming the file, status 1, nothing written; --keep-going keeps what decodes.
head -c 3000 in.gif > cut.gif
head -c 2000 in.apng > cut.png
head -c 1500 in.webp > cut.webp
printf 'not a picture at all' > text.png
# A lossless video whose eleventh frame is damaged: FFV1 checks its slices.
ff -f lavfi -i "life=size=64x48:rate=10:seed=7,trim=end_frame=20" -c:v ffv1 -level 3 -slicecrc 1 -g 1 clip.mkv
IFS=, read -r size pos < <(ffprobe -v error -select_streams v -show_entries packet=size,pos -of csv=p=0 clip.mkv | sed -n 11p)
python3 -c 'import sys; d = bytearray(open("clip.mkv", "rb").read()); n, at = int(sys.argv[1]), int(sys.argv[2])
d[at + n // 2:at + n] = bytes(b ^ 0x5A for b in d[at + n // 2:at + n]); open("cut.mkv", "wb").write(d)' "$size" "$pos"
for input in cut.gif cut.png cut.webp text.png cut.mkv; do
  message=$("$cli" convert "$input" bad.gif 2>&1)
  status=$?
  [ $status -eq 1 ] && [[ $message == "kinetrope-cli: $input"* ]] && [ ! -e bad.gif ] ||
    fail "$input: status $status, '$message'"
done
message=$("$cli" convert cut.gif kept.gif --keep-going 2>&1) || fail "--keep-going: $message"
[[ $message == *"damaged"* ]] && [ -s kept.gif ] || fail "--keep-going wrote nothing or said nothing: $message"
# The frames before the damage, as they were, and no more.
message=$("$cli" convert cut.mkv kept.flc --keep-going 2>&1) || fail "--keep-going on video: $message"
frames=$("$cli" info kept.flc | sed -n 's/^Frames *: //p')
rgb clip.mkv clip.rgb && rgb kept.flc kept.rgb
[[ $message == *"damaged"* ]] && [ "${frames:-0}" -ge 9 ] && [ "$frames" -le 10 ] &&
  cmp -s -n $((frames * 64 * 48 * 3)) clip.rgb kept.rgb || fail "--keep-going on video: $frames frames: $message"
ls -A | grep -q '^\.' && fail "temporary files left: $(ls -A | grep '^\.')"

[ $failures -eq 0 ] && echo "1 passed, 0 failed" && exit 0
echo "0 passed, 1 failed"
exit 1
