#!/usr/bin/env bash
# XFCE's thumbnail service (tumbler) draws flics with Kinetrope's thumbnailer,
# asked as a file manager asks it: over its D-Bus interface
# org.freedesktop.thumbnails.Thumbnailer1, on a session bus of the test's own,
# with the installed tree's thumbnailer and MIME package in the data path.
# A game-sprite-like .fli (tumbler's GStreamer plugin claims its type too)
# and a .cel (only Kinetrope's type) must both come back Ready, and the
# thumbnails tumbler stores must hold the pictures kinetrope-cli draws.
#
# usage: tumbler_thumbnails.sh BUILD_DIR
# Exit status 77 (skipped) when tumbler, dbus or ffmpeg cannot be had.
set -u

source "$(dirname "$0")/lib/installed_tree.sh"
kinetrope_install_packages tumbler dbus-daemon libglib2.0-bin shared-mime-info ffmpeg > /dev/null 2>&1
tumblerd=$(ls /usr/lib/*/tumbler-1/tumblerd 2> /dev/null | head -n 1)
for tool in dbus-run-session gdbus dbus-monitor update-mime-database ffmpeg; do
  command -v "$tool" > /dev/null || { echo "SKIP: $tool cannot be had"; exit 77; }
done
[ -x "$tumblerd" ] || { echo "SKIP: tumbler cannot be had"; exit 77; }

install_tree
update-mime-database "$prefix/share/mime" > /dev/null 2>&1 || fail "the MIME package does not parse"
mkdir "$work/my flics"
cp "$source_dir/tests/data/flics/ap_ann2.fli" "$source_dir/tests/data/flics/ap_logo.cel" "$work/my flics/"

# The session: tumblerd started by hand (its D-Bus activation would not see
# this environment), the signals of one Queue request collected until Finished.
cat > "$work/session.sh" << 'EOF'
"$TUMBLERD" > "$WORK/tumblerd.log" 2>&1 &
gdbus wait --session --timeout 120 org.freedesktop.thumbnails.Thumbnailer1 || exit 3
dbus-monitor --session "type='signal',interface='org.freedesktop.thumbnails.Thumbnailer1'" > "$WORK/signals.txt" &
sleep 1
uri() { python3 -c 'import pathlib, sys; print(pathlib.Path(sys.argv[1]).as_uri())' "$WORK/my flics/$1"; }
gdbus call --session --dest org.freedesktop.thumbnails.Thumbnailer1 \
  --object-path /org/freedesktop/thumbnails/Thumbnailer1 --method org.freedesktop.thumbnails.Thumbnailer1.Queue \
  "['$(uri ap_ann2.fli)', '$(uri ap_logo.cel)']" "['video/x-flic', 'video/x-flic-cel']" normal default "uint32 0" \
  > /dev/null || exit 4
for _ in $(seq 600); do grep -q "member=Finished" "$WORK/signals.txt" && break; sleep 0.1; done
EOF
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
env WORK="$work" TUMBLERD="$tumblerd" PATH="$prefix/bin:$PATH" XDG_DATA_DIRS="$prefix/share:/usr/share" \
  XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" \
  dbus-run-session -- bash "$work/session.sh" > "$work/session.log" 2>&1
status=$?
[ $status = 3 ] && { cat "$work/tumblerd.log"; fail "tumblerd did not take its name on the bus"; }
[ $status = 4 ] && { cat "$work/session.log"; fail "tumbler refused the request"; }
grep -q "member=Finished" "$work/signals.txt" || { cat "$work/signals.txt"; fail "the request never finished"; }
grep -q "member=Error" "$work/signals.txt" && { cat "$work/signals.txt"; fail "tumbler reports an error"; }
for name in ap_ann2.fli ap_logo.cel; do
  grep -qF "/$name\"" "$work/signals.txt" || fail "no Ready signal for $name"
done
echo "ok: tumbler answers Ready for a .fli and a .cel"

# Stored under the MD5 of the file's URI; the picture must be Kinetrope's
# drawing at 128 pixels, whatever metadata tumbler adds to the PNG.
rgb() { ffmpeg -nostdin -v error -i "$1" -f rawvideo -pix_fmt rgb24 - | md5sum; }
for name in ap_ann2.fli ap_logo.cel; do
  uri=$(python3 -c 'import pathlib, sys; print(pathlib.Path(sys.argv[1]).as_uri())' "$work/my flics/$name")
  stored="$work/cache/thumbnails/normal/$(printf '%s' "$uri" | md5sum | cut -d' ' -f1).png"
  [ -s "$stored" ] || fail "tumbler stored no thumbnail of $name"
  "$prefix/bin/kinetrope-cli" thumbnail --size 128 "$work/my flics/$name" "$work/$name.png" || fail "kinetrope-cli failed"
  [ "$(rgb "$stored")" = "$(rgb "$work/$name.png")" ] || fail "tumbler's thumbnail of $name is not Kinetrope's picture"
done
echo "ok: the thumbnails tumbler stored are the pictures kinetrope-cli draws"
echo "PASS"
