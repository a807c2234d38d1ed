#!/usr/bin/env bash
# The two Debian packages, as `cpack -G DEB` makes them in BUILD_DIR:
#
# 1. kinetrope (the player) and kinetrope-cli (the headless tool), with their
#    names, versions and maintainer; the player's library dependencies
#    (found by dpkg-shlibdeps) and the platform plugin named by hand; the
#    tool's dependencies, and everything they pull in, free of Qt and SDL;
# 2. each package's files, and no file in both;
# 3. lintian has nothing to say about either; the changelog's version is
#    the packages';
# 4. the unpacked programs run;
# 5. the thumbnailer's Exec line, run as a file manager runs it, draws a PNG
#    of the asked size for real flics, a damaged flic and a one-frame cel,
#    and leaves no file for a flic whose first frame cannot be read; of a
#    real flic whose picture sits on black, it draws the frame that ffmpeg,
#    decoding every frame, finds shows most, cut to what the black surrounds.
#
# (scripts/check_package.sh installs release packages with apt and plays a
# flic from them.)
#
# usage: package_deb.sh BUILD_DIR
set -u

build_dir=$(cd "${1:?usage: $(basename "$0") BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$source_dir/scripts/install_packages.sh"
kinetrope_install_packages dpkg-dev file lintian python3 ffmpeg || { echo "FAIL: could not install the test tools"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

# ---- 1. Names and control fields.
(cd "$build_dir" && cpack -G DEB --config CPackConfig.cmake -B "$work/out") > "$work/cpack.log" 2>&1 ||
  { tail -n 20 "$work/cpack.log"; fail "cpack -G DEB failed"; }
arch=$(dpkg --print-architecture)
player="$work/out/kinetrope_2.52_$arch.deb"
cli="$work/out/kinetrope-cli_2.52_$arch.deb"
[ -f "$player" ] && [ -f "$cli" ] || fail "cpack made $(cd "$work/out" && echo *.deb), not the two packages"

field() { dpkg-deb -f "$1" "$2"; }
for deb in "$player" "$cli"; do
  [ "$(field "$deb" Package)_$(field "$deb" Version)_$arch.deb" = "$(basename "$deb")" ] ||
    fail "$(basename "$deb") holds $(field "$deb" Package) $(field "$deb" Version)"
  [ "$(field "$deb" Maintainer)" = "Kinetrope developers <maintainers@kinetrope.org>" ] ||
    fail "$(basename "$deb"): maintainer '$(field "$deb" Maintainer)'"
done
depends=$(field "$player" Depends)
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libsdl2-2.0-0 libsndfile1 libc6 qt6-qpa-plugins; do
  echo "$depends" | grep -q "\b$needed\b" || fail "the player's Depends lacks $needed: $depends"
done
field "$player" Recommends | grep -q '\bkinetrope-cli\b' || fail "the player does not recommend kinetrope-cli"
cli_depends=$(field "$cli" Depends)
echo "$cli_depends" | grep -q '\blibpng16-16\b' || fail "the tool's Depends lacks libpng: $cli_depends"
# Everything apt would install with the tool, not only what it names.
names=$(echo "$cli_depends" | sed 's/([^)]*)//g; s/[,|]/ /g')
# shellcheck disable=SC2086
closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
  --no-enhances $names 2> /dev/null | sed -n 's/^ *\(Pre\)\{0,1\}Depends: //p' | sort -u)
[ -n "$closure" ] || fail "apt-cache knows nothing of $names"
bad=$(echo "$cli_depends $closure" | grep -o -i -E '[a-z0-9.+-]*(qt|sdl)[a-z0-9.+-]*' | sort -u | tr '\n' ' ')
[ -z "$bad" ] || fail "installing kinetrope-cli would pull in $bad"
# The README's table names every package each one depends on (a sanitizer
# build's own run-time libraries aside).
for deb in "$player" "$cli"; do
  row=$(grep "^| \`$(field "$deb" Package)\` |" "$source_dir/README.md")
  for name in $(field "$deb" Depends | sed 's/([^)]*)//g; s/[,|]/ /g'); do
    [[ $name == lib*san* || $row == *"\`$name\`"* ]] || fail "README's table does not say $(basename "$deb") needs $name"
  done
done
echo "ok: two packages; the player depends on $depends"
echo "ok: kinetrope-cli depends on $cli_depends, and on no Qt or SDL package even indirectly"

# ---- 2. Contents.
contents() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ {print $6}' | sort; }
contents "$player" > "$work/player.txt"
contents "$cli" > "$work/cli.txt"
expect() {
  for file in "${@:2}"; do grep -qxF "./usr/$file" "$work/$1.txt" || fail "the $1 package lacks /usr/$file"; done
}
expect player bin/kinetrope lib/kinetrope/modules/conversion.so lib/kinetrope/modules/sound.so share/applications/kinetrope.desktop share/mime/packages/kinetrope.xml \
  share/man/man1/kinetrope.1.gz share/kinetrope/demo.flc share/icons/hicolor/48x48/apps/kinetrope.png \
  share/doc/kinetrope/copyright share/doc/kinetrope/changelog.gz share/metainfo/org.kinetrope.Kinetrope.metainfo.xml \
  share/icons/hicolor/scalable/apps/kinetrope.svg share/bash-completion/completions/kinetrope \
  share/zsh/vendor-completions/_kinetrope
expect cli bin/kinetrope-cli share/man/man1/kinetrope-cli.1.gz share/thumbnailers/kinetrope.thumbnailer \
  share/doc/kinetrope-cli/copyright share/doc/kinetrope-cli/changelog.gz \
  share/bash-completion/completions/kinetrope-cli share/zsh/vendor-completions/_kinetrope-cli
[ "$(wc -l < "$work/cli.txt")" = 7 ] || fail "the tool's package holds more: $(cat "$work/cli.txt")"
both=$(comm -12 "$work/player.txt" "$work/cli.txt")
[ -z "$both" ] || fail "files in both packages: $both"
echo "ok: the player, its desktop files, manual and demo in one; the tool, its manual and thumbnailer in the other"

# ---- 3. lintian, and the changelog.
if ! lintian "$player" "$cli" > "$work/lintian.txt" 2> "$work/lintian.err" || [ -s "$work/lintian.txt" ]; then
  cat "$work/lintian.txt" "$work/lintian.err"
  fail "lintian finds fault with the packages"
fi
for deb in "$player" "$cli"; do dpkg-deb -x "$deb" "$work/root"; done
changelog_version=$(zcat "$work/root/usr/share/doc/kinetrope/changelog.gz" | sed -n '1s/^kinetrope (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$(field "$player" Version)" ] || fail "the changelog is of version '$changelog_version'"
echo "ok: lintian says nothing; the changelog is of version $changelog_version"

# ---- 4. The programs run.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
[ "$("$work/root/usr/bin/kinetrope" --version)" = "Kinetrope 32bit v2.52" ] || fail "the packaged kinetrope does not run"
[ "$("$work/root/usr/bin/kinetrope-cli" --version)" = "kinetrope-cli 2.52" ] || fail "the packaged kinetrope-cli does not run"
echo "ok: the unpacked programs run"

# ---- 5. The thumbnailer, as a file manager uses it: the MIME types of the
# desktop entry, and its Exec line with %s, %i and %o replaced by the size
# and the input and output paths quoted for the shell.
thumbnailer="$work/root/usr/share/thumbnailers/kinetrope.thumbnailer"
[ "$(sed -n 's/^MimeType=//p' "$thumbnailer")" = "$(sed -n 's/^MimeType=//p' "$source_dir/desktop/kinetrope.desktop")" ] ||
  fail "the thumbnailer and the desktop entry claim different types"
exec_line=$(sed -n 's/^Exec=//p' "$thumbnailer")
files="$work/my flics"
mkdir -p "$files"
python3 - "$work/root/usr/share/kinetrope/demo.flc" "$files" << 'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
offset, sizes = 128, []
while offset < len(data):
    sizes.append(struct.unpack_from("<I", data, offset)[0])
    offset += sizes[-1]
# Cut inside frame 5, before the frame a third of the way in.
open(sys.argv[2] + "/cut.flc", "wb").write(data[:128 + sum(sizes[:5]) + 40])
# Cut inside frame 0: nothing to show.
open(sys.argv[2] + "/empty.flc", "wb").write(data[:128 + 40])
EOF
thumbnail() {  # FILE SIZE OUT
  local command=${exec_line//%s/$2}
  command=${command//%i/"'$1'"}
  command=${command//%o/"'$3'"}
  PATH="$work/root/usr/bin:$PATH" sh -c "$command" 2> "$work/${1##*/}.err"
}
cp "$work/root/usr/share/kinetrope/demo.flc" "$source_dir"/tests/data/flics/{ap_ann2.fli,ap_logo.cel} "$files" ||
  fail "the real flics are missing"
for case in "demo.flc 128 128 x 80" "ap_ann2.fli 256 256 x 181" "cut.flc 256 256 x 160" "ap_logo.cel 64 61 x 64"; do
  read -r name size expected <<< "$case"
  thumbnail "$files/$name" "$size" "$files/$name.png" || { cat "$work/$name.err"; fail "no thumbnail of $name"; }
  got=$(file -b "$files/$name.png")
  [[ "$got" == "PNG image data, $expected, "* ]] || fail "the thumbnail of $name is '$got', not $expected"
done
grep -qF "cut.flc: frame 5: " "$work/cut.flc.err" || fail "the damaged flic's thumbnail says nothing of the damage"
thumbnail "$files/empty.flc" 128 "$files/empty.png" && fail "a flic without a readable frame gave a thumbnail"
[ "$(ls "$files" | grep -c png)" = 4 ] || fail "a thumbnail that failed left a file behind: $(ls "$files")"
echo "ok: the thumbnailer draws real flics, a damaged flic and a cel at the asked size, and nothing for an unreadable flic"

# The frame shown and the cut, with ffmpeg as the second reader: at the size
# of the cut's longer side the thumbnail is that frame's pixels one to one.
flic="$files/ap_ann2.fli"
frames=$("$work/root/usr/bin/kinetrope-cli" info "$flic" | sed -n 's/^Frames *: //p')
ffmpeg -nostdin -v error -i "$flic" -f rawvideo -pix_fmt rgb24 -fps_mode passthrough "$work/frames.rgb" ||
  fail "ffmpeg cannot decode $flic"
read -r best box << EOF
$(python3 -c '
import collections, sys
data, width, height, frames = open(sys.argv[1], "rb").read(), 320, 200, int(sys.argv[2])
size, best = width * height * 3, None
for f in range(frames):
    px = [data[f * size + i:f * size + i + 3] for i in range(0, size, 3)]
    edge = px[:width] + px[-width:] + px[::width] + px[width - 1::width]
    key = collections.Counter(edge).most_common(1)[0][0]
    lit = [(i % width, i // width) for i, p in enumerate(px) if p != key]
    if best is None or len(lit) > best[0]:
        xs, ys = [x for x, _ in lit], [y for _, y in lit]
        best = (len(lit), f, max(xs) - min(xs) + 1, max(ys) - min(ys) + 1, min(xs), min(ys))
print("%d %d:%d:%d:%d" % best[1:])' "$work/frames.rgb" "$frames")
EOF
[ "$best" != "$((frames / 3))" ] || fail "the test flic's fullest frame is the one a third of the way in: it tells nothing"
IFS=: read -r box_width box_height _ <<< "$box"
thumbnail "$flic" "$((box_width > box_height ? box_width : box_height))" "$files/exact.png" || fail "no exact thumbnail"
ffmpeg -nostdin -v error -i "$files/exact.png" -f rawvideo -pix_fmt rgb24 "$work/thumb.rgb" &&
  ffmpeg -nostdin -v error -i "$flic" -vf "select=eq(n\\,$best),crop=$box" -frames:v 1 -f rawvideo -pix_fmt rgb24 \
    "$work/expected.rgb" || fail "ffmpeg cannot read the thumbnail or cut the frame"
# ffmpeg widens 6-bit colours as p | p >> 6 where the player shifts them (252, not 255).
python3 -c 'import sys; a, b = (open(f, "rb").read() for f in sys.argv[1:]); sys.exit(
    len(a) != len(b) or any(e != (t | t >> 6) and e != t for t, e in zip(a, b)))' "$work/thumb.rgb" "$work/expected.rgb" ||
  fail "the thumbnail of $flic is not frame $best (the fullest) cut to $box, as ffmpeg decodes it"
echo "ok: the thumbnail of ap_ann2.fli is its fullest frame ($best of $frames) cut to $box, as ffmpeg decodes it"
echo "PASS"
