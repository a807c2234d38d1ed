#!/usr/bin/env bash
# The installed tree, as `cmake --install BUILD_DIR --prefix P` lays it out:
#
# 1. both programs answer --version (and --help) from P/bin;
# 2. the demo flic, the desktop entry, the icons, the MIME package and the
#    two manual pages are where desktops and man look for them;
# 3. the desktop entry passes desktop-file-validate and starts one program
#    with all the files chosen (Exec=kinetrope %F);
# 4. the manual pages render with man -l; kinetrope(1) lists every word
#    and key that --help lists, since both come from one source, and
#    kinetrope-cli(1) every command of kinetrope-cli --help;
# 5. the MIME package parses (update-mime-database) and, with P's database
#    in the search path, xdg-mime calls .fli and .flc files video/x-flic and
#    a .cel file video/x-flic-cel when it carries a flic's magic number, but
#    not other .cel files; outside a desktop environment, where xdg-mime asks
#    file(1) and hears video/x-flc, the player is still the one that opens it;
# 6. the icons, the scalable one included, are what tools/icons/make_icons.py
#    draws;
# 7. the AppStream metainfo passes appstreamcli validate and names the
#    installed desktop entry and its file types; kinetrope-cli(1) has one
#    EXIT STATUS and its examples under EXAMPLES;
# 8. bash and zsh complete both programs' words, commands and options, as
#    --help lists them, and offer flic files where a flic belongs.
#
# usage: install_check.sh BUILD_DIR
set -u

source "$(dirname "$0")/lib/installed_tree.sh"
kinetrope_install_packages desktop-file-utils xdg-utils shared-mime-info libglib2.0-bin man-db python3 \
  appstream bash-completion zsh ||
  { echo "FAIL: could not install the test tools"; exit 1; }
install_tree

# ---- 1. The programs run from the prefix.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
version=$("$prefix/bin/kinetrope" --version) || fail "kinetrope --version failed"
[ "$version" = "Kinetrope 32bit v2.52" ] || fail "kinetrope --version said '$version'"
"$prefix/bin/kinetrope" --help > "$work/help.txt" || fail "kinetrope --help failed"
"$prefix/bin/kinetrope-cli" --help > /dev/null || fail "kinetrope-cli --help failed"
"$prefix/bin/kinetrope-cli" info "$prefix/share/kinetrope/demo.flc" > "$work/info.txt" ||
  fail "kinetrope-cli cannot read the installed demo flic"
echo "ok: $version and kinetrope-cli run from the prefix; the demo flic is installed"

# ---- 2. Everything in its place.
for file in share/applications/kinetrope.desktop share/mime/packages/kinetrope.xml \
  share/man/man1/kinetrope.1.gz share/man/man1/kinetrope-cli.1.gz share/metainfo/org.kinetrope.Kinetrope.metainfo.xml \
  share/icons/hicolor/scalable/apps/kinetrope.svg share/bash-completion/completions/kinetrope \
  share/bash-completion/completions/kinetrope-cli share/zsh/vendor-completions/_kinetrope \
  share/zsh/vendor-completions/_kinetrope-cli; do
  [ -s "$prefix/$file" ] || fail "$file is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/kinetrope.png"
  [ -s "$icon" ] || fail "no ${size}x${size} icon"
  # A PNG's width and height stand at bytes 16 and 20, big-endian.
  read -r w h <<< "$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $3*256+$4, $7*256+$8}')"
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "the ${size}x${size} icon is ${w}x${h}"
done
echo "ok: desktop entry, MIME package, manual pages and icons at 16..256 are installed"

# ---- 3. The desktop entry.
entry="$prefix/share/applications/kinetrope.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the desktop entry"
grep -qx 'Exec=kinetrope %F' "$entry" || fail "the entry does not start one kinetrope with all the files chosen"
grep -qx 'Icon=kinetrope' "$entry" || fail "the entry names another icon"
for type in video/x-flic video/x-flc video/x-flic-cel; do
  grep -q "^MimeType=.*$type;" "$entry" || fail "the entry does not declare $type"
done
echo "ok: the desktop entry is valid"

# ---- 4. The manual pages.
for page in kinetrope kinetrope-cli; do
  MANWIDTH=100 man -l -P cat "$prefix/share/man/man1/$page.1.gz" > "$work/$page.txt" 2> "$work/man.err" ||
    { cat "$work/man.err"; fail "man cannot render $page(1)"; }
  grep -q "EXIT STATUS" "$work/$page.txt" || fail "$page(1) has no EXIT STATUS"
done
# Every word of --help ("  /WORD ...") and every key stands in the manual too.
sed -n 's/^  \(\/[A-Z]*\).*/\1/p' "$work/help.txt" > "$work/words.txt"
[ "$(wc -l < "$work/words.txt")" -ge 30 ] || fail "--help lists too few words"
while read -r word; do
  grep -q -- "^ *$word\b" "$work/kinetrope.txt" || fail "kinetrope(1) lacks the word $word"
done < "$work/words.txt"
for key in "Alt+Enter" "pad + / -" "Alt+X"; do
  grep -qF -- "$key" "$work/kinetrope.txt" || fail "kinetrope(1) lacks the key $key"
done
grep -qF "Kinetrope.conf" "$work/kinetrope.txt" || fail "kinetrope(1) does not say where the options live"
grep -qF "/home/me/anims/intro.flc" "$work/kinetrope.txt" || fail "kinetrope(1) lacks the token rule"
# kinetrope-cli(1) is written by hand: its synopsis holds the forms --help
# lists, no more and no fewer, every option it names is the tool's, it names
# the bitmaps as export writes them and the file types it reads.
"$prefix/bin/kinetrope-cli" --help > "$work/help.txt"
sed -n 's/^  \([^ ]\+\( [^ ]\+\)*\)  .*/kinetrope-cli \1/p' "$work/help.txt" | sort > "$work/forms.txt"
sed -n '/^SYNOPSIS/,/^DESCRIPTION/s/^ \+\(kinetrope-cli .*\)/\1/p' "$work/kinetrope-cli.txt" | sort > "$work/synopsis.txt"
[ "$(wc -l < "$work/forms.txt")" -ge 8 ] || fail "kinetrope-cli --help lists too few forms"
diff "$work/forms.txt" "$work/synopsis.txt" > "$work/forms.diff" ||
  { cat "$work/forms.diff"; fail "kinetrope-cli(1)'s synopsis and kinetrope-cli --help differ (< --help, > manual)"; }
for option in $(grep -o -- '--[a-z][a-z-]*' "$work/kinetrope-cli.txt" | sort -u); do
  grep -q -- "$option\b" "$work/help.txt" || fail "kinetrope-cli(1) names $option, which --help does not"
done
# Phrases are looked for in the page as one line, wherever man broke it.
tr -s ' \n' '  ' < "$work/kinetrope-cli.txt" > "$work/kinetrope-cli.line"
grep -qF ".fli, .flc or .cel" "$work/kinetrope-cli.line" || fail "kinetrope-cli(1) lacks the file types it reads"
mkdir "$work/export"
"$prefix/bin/kinetrope-cli" export "$prefix/share/kinetrope/demo.flc" "$work/export/BASE" > /dev/null &&
  [ -f "$work/export/BASE0000.bmp" ] || fail "kinetrope-cli export wrote no BASE0000.bmp"
grep -qF "BASE0000.bmp, BASE0001.bmp" "$work/kinetrope-cli.line" || fail "kinetrope-cli(1) names the bitmaps otherwise"
echo "ok: both manual pages render; kinetrope(1) lists the $(wc -l < "$work/words.txt") words and the keys of --help"

# ---- 5. The file types, in a database of the prefix's own.
mime="$prefix/share/mime"
update-mime-database "$mime" > "$work/mime.log" 2>&1 || { cat "$work/mime.log"; fail "the MIME package does not parse"; }
grep -q "video/x-flic-cel" "$mime/types" || fail "the database lacks video/x-flic-cel"
filetype() {
  XDG_DATA_HOME="$work/empty" XDG_DATA_DIRS="$prefix/share:/usr/share" XDG_CURRENT_DESKTOP=GNOME \
    xdg-mime query filetype "$1"
}
mkdir "$work/files"
cp "$source_dir/demo/demo.flc" "$work/files/demo.flc"
cp "$source_dir/demo/demo.flc" "$work/files/demo.fli"
cp "$source_dir/demo/demo.flc" "$work/files/logo.cel"
printf 'not an animation\n' > "$work/files/notes.cel"
# A cel of another program: binary, with other bytes where a flic has its magic number.
printf '\x19\x91\x40\x01\xc8\x00\x00\x00\x00\x00\x00\x00\x04\x00' > "$work/files/other.cel"
check_type() {
  local got
  got=$(filetype "$work/files/$1")
  [ "$got" = "$2" ] || fail "xdg-mime calls $1 '$got', not $2"
}
check_type demo.flc video/x-flic
check_type demo.fli video/x-flic
check_type logo.cel video/x-flic-cel
cp "$source_dir/tests/data/true_colour/runs_24.flh" "$source_dir/tests/data/true_colour/copy_24.flt" "$work/files/"
check_type runs_24.flh video/x-flic
check_type copy_24.flt video/x-flic
got=$(filetype "$work/files/notes.cel")
[ "$got" != video/x-flic-cel ] || fail "a text file named .cel is taken for a flic"
got=$(filetype "$work/files/other.cel")
[ "$got" != video/x-flic-cel ] || fail "another program's .cel is taken for a flic"
echo "ok: .fli, .flc, .flh and a deep .flt are video/x-flic, a flic named .cel is video/x-flic-cel, other .cel files are not"
grep -qx "video/x-flc video/x-flic" "$mime/aliases" || fail "the database does not take video/x-flc for video/x-flic"
# No desktop environment and no File::MimeInfo: xdg-mime falls back to file(1).
mkdir "$work/bin"
printf '#!/bin/sh\nexit 1\n' > "$work/bin/mimetype"
chmod +x "$work/bin/mimetype"
update-desktop-database "$prefix/share/applications" || fail "update-desktop-database failed"
bare() {
  env -i PATH="$work/bin:$PATH" HOME="$work" XDG_CONFIG_HOME="$work/empty" XDG_DATA_HOME="$work/empty" \
    XDG_DATA_DIRS="$prefix/share:/usr/share" xdg-mime "$@"
}
got=$(bare query filetype "$work/files/demo.flc")
[ "$got" = video/x-flc ] || fail "outside a desktop environment xdg-mime calls demo.flc '$got', not video/x-flc"
got=$(bare query default video/x-flc)
[ "$got" = kinetrope.desktop ] || fail "outside a desktop environment video/x-flc opens with '$got', not kinetrope.desktop"
echo "ok: outside a desktop environment a .flc is video/x-flc, and that opens with kinetrope.desktop"

# ---- 6. The icons are the generator's.
python3 "$source_dir/tools/icons/make_icons.py" "$work/drawn" || fail "make_icons.py failed"
for size in 16 22 24 32 48 64 128 256; do
  cmp -s "$work/drawn/${size}x${size}/apps/kinetrope.png" \
    "$prefix/share/icons/hicolor/${size}x${size}/apps/kinetrope.png" ||
    fail "the ${size}x${size} icon is not what tools/icons/make_icons.py draws: run it and commit the result"
done
cmp -s "$work/drawn/scalable/apps/kinetrope.svg" "$prefix/share/icons/hicolor/scalable/apps/kinetrope.svg" ||
  fail "the scalable icon is not what tools/icons/make_icons.py draws: run it and commit the result"
python3 -c 'import sys, xml.etree.ElementTree as e; sys.exit(e.parse(sys.argv[1]).getroot().tag != "{http://www.w3.org/2000/svg}svg")' \
  "$prefix/share/icons/hicolor/scalable/apps/kinetrope.svg" || fail "the scalable icon is no SVG"
echo "ok: the icons are what tools/icons/make_icons.py draws"

# ---- 7. Software centres, and the tool's manual.
metainfo="$prefix/share/metainfo/org.kinetrope.Kinetrope.metainfo.xml"
appstreamcli validate --no-net "$metainfo" > "$work/appstream.txt" 2>&1 ||
  { cat "$work/appstream.txt"; fail "appstreamcli validate rejects the metainfo"; }
grep -qF '<launchable type="desktop-id">kinetrope.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not name the desktop entry"
for type in video/x-flic video/x-flc video/x-flic-cel; do
  grep -qF "<mediatype>$type</mediatype>" "$metainfo" || fail "the metainfo does not say the player opens $type"
done
[ "$(grep -c '^EXIT STATUS' "$work/kinetrope-cli.txt")" = 1 ] || fail "kinetrope-cli(1) has more than one EXIT STATUS"
sed -n '/^EXAMPLES/,/^[A-Z]/p' "$work/kinetrope-cli.txt" > "$work/examples.txt"
for command in info export check convert thumbnail; do
  grep -q "kinetrope-cli $command " "$work/examples.txt" || fail "kinetrope-cli(1) has no example of $command under EXAMPLES"
done
echo "ok: the metainfo is valid and names the entry and its types; kinetrope-cli(1) has one EXIT STATUS and its examples"

# ---- 8. Shell completion, driven as the shells drive it, in a folder of flics.
mkdir "$work/complete" && touch "$work/complete/"{intro.flc,LOGO.CEL,notes.txt,tune.wav}
cat > "$work/complete.bash" << 'EOF'
source /usr/share/bash-completion/bash_completion
source "$1/bash-completion/completions/kinetrope"
source "$1/bash-completion/completions/kinetrope-cli"
compopt() { :; }
offer() {
  local function=$1
  shift
  COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMPREPLY=()
  $function
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
  echo
}
offer _kinetrope kinetrope /LOOP
offer _kinetrope kinetrope -fps
offer _kinetrope kinetrope ''
offer _kinetrope kinetrope /wavfile ''
offer _kinetrope_cli kinetrope-cli th
offer _kinetrope_cli kinetrope-cli thumbnail --
offer _kinetrope_cli kinetrope-cli thumbnail --size 64 ''
EOF
cat > "$work/complete.zsh" << 'EOF'
setopt extendedglob
compadd() { [[ $1 == -- ]] && shift; print -r -- ${(o)${(M)@:#$PREFIX*}}; }
_files() {
  setopt localoptions nullglob
  local pattern=${${@[-1]:#-g}:-*(.)} matches
  matches=(${~pattern})
  matches=(${(M)matches:#$PREFIX*})
  (($#matches)) && print -r -- ${(o)matches}
}
_call_program() { shift; "$@"; }
_message() { print; }
offer() {
  local file=$1
  shift
  words=("$@") CURRENT=$# PREFIX=$@[-1]
  source $share/zsh/vendor-completions/$file
}
share=$1
offer _kinetrope kinetrope /LOOP
offer _kinetrope kinetrope -fps
offer _kinetrope kinetrope ''
offer _kinetrope kinetrope /wavfile ''
offer _kinetrope-cli kinetrope-cli th
offer _kinetrope-cli kinetrope-cli thumbnail --
offer _kinetrope-cli kinetrope-cli thumbnail --size 64 ''
EOF
cat > "$work/complete.expected" << 'EOF'
/LOOPOFF /LOOPON
-fpsoff -fpson
LOGO.CEL intro.flc
tune.wav
thumbnail
--size
LOGO.CEL intro.flc
EOF
for shell in bash zsh; do
  (cd "$work/complete" && LC_ALL=C PATH="$prefix/bin:$PATH" $shell "$work/complete.$shell" "$prefix/share") 2>&1 |
    sed 's/ *$//' > "$work/complete.$shell.txt"
  diff "$work/complete.expected" "$work/complete.$shell.txt" ||
    fail "$shell completes otherwise (< expected, > $shell)"
done
echo "ok: bash and zsh complete the words, commands, options and flic files of both programs"
echo "PASS"
