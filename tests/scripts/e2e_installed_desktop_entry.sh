#!/usr/bin/env bash
# End to end on a virtual X display: the installed player, started the way a
# file manager starts it from the installed desktop entry for two flics
# chosen together (Exec=kinetrope %F, each file given as an absolute path,
# here with a blank, mixed letter case, an accent in UTF-8 and a folder named
# in Latin-1, as old archives have them: Linux file names are bytes), plays
# them one after the other in one player: the second one's movie window
# shows its frames pixel for pixel and moves through them; after its one
# pass the program stays open with the last frame, its movie window's Export
# writes a GIF, and its Quit button ends it.
#
# The program is installed from BUILD_DIR into a scratch prefix, or taken as
# installed under $KINETROPE_PREFIX (for example /usr after the Debian package).
#
# usage: e2e_installed_desktop_entry.sh BUILD_DIR
set -u

E2E_PACKAGES="xdotool x11-utils ffmpeg python3"
source "$(dirname "$0")/lib/e2e_common.sh"

# ---- On the virtual display ------------------------------------------------

prefix=${KINETROPE_PREFIX:-}
if [ -z "$prefix" ]; then
  prefix="$work/prefix"
  cmake --install "$build_dir" --prefix "$prefix" > "$work/install.log" 2>&1 || fail "cmake --install failed"
fi
entry="$prefix/share/applications/kinetrope.desktop"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ -n "$exec_line" ] || fail "the installed desktop entry has no Exec line"

folder="$work/My Anims/Caf"$'\xe9'
mkdir -p "$folder"
first="$folder/Intro.flc"
flic="$folder/Démo Reel.flc"
cp "$demo" "$first"
cp "$demo" "$flic"
"$cli" export "$flic" "$work/frame" > /dev/null || fail "kinetrope-cli export failed"
frames=$(ls "$work"/frame[0-9]*.bmp | wc -l)

# The launcher's way: split the Exec value at blanks, the field code %F
# becomes the file arguments, and the program is found on the PATH.
read -ra command <<< "$exec_line"
argv=()
for part in "${command[@]}"; do
  if [ "$part" = "%F" ]; then argv+=("$first" "$flic"); else argv+=("$part"); fi
done
PATH="$prefix/bin:$PATH" "${argv[@]}" > "$work/player.log" 2>&1 &
player_pid=$!

shown_frames() { python3 "$source_dir/tests/scripts/lib/frame_match.py" 352 284 320 200 1024 "$work/frame" "$@"; }

# The demo's 320 x 200 frames are centred on the 1024 x 768 screen.
# The movie window's caption names the file playing as it is on disk (the
# accented letter left out: xwininfo writes it escaped).
await_caption() {
  local tries=150
  until xwininfo -root -tree | grep -qF "$1\""; do
    tries=$((tries - 1))
    [ $tries -gt 0 ] || fail "no movie window came up for $1"
    kill -0 "$player_pid" 2> /dev/null || fail "the player ended before playing $1"
    sleep 0.1
  done
}
await_caption Intro.flc
await_caption "mo Reel.flc"
for n in $(seq 10 21); do
  grab_screen "$work/playing$n.rgb"
  sleep 0.1
done
read -ra seen <<< "$(shown_frames "$work"/playing*.rgb | tr '\n' ' ')"
shown=" ${seen[*]} "
distinct=$(printf '%s\n' "${seen[@]}" | grep -v '^-1$' | sort -u | wc -l)
[ "$distinct" -ge 3 ] || fail "the movie window did not show the flic's frames moving (seen: $shown)"
echo "ok: started as 'Exec=$exec_line' with two absolute paths, one player plays the first, then the second (seen:$shown)"

# One pass of the demo lasts a few seconds; then the last frame stays and so does the program.
sleep 4
kill -0 "$player_pid" 2> /dev/null || fail "the player ended after playing; it should stay open"
grab_screen "$work/after.rgb"
last=$(shown_frames "$work/after.rgb")
[ "$last" = $((frames - 1)) ] || fail "after the pass the movie window shows frame $last, not the last one ($((frames - 1)))"
echo "ok: after one pass frame $last stays in the movie window and the player stays open"

# Export from the movie window's menu: the installed player finds its
# conversion module beside its bin folder, and writes a GIF that ffmpeg reads.
xdotool mousemove 512 384 click 3 sleep 0.5 key Down Return
await_dialog Open
xdotool type --delay 10 "$demo"
xdotool key Return
await_dialog "Save As"
xdotool key ctrl+a type --delay 10 "$work/export.gif"
xdotool key Return
for _ in $(seq 100); do
  [ -s "$work/export.gif" ] && ffmpeg -v error -i "$work/export.gif" -f null - 2> /dev/null && break
  sleep 0.1
done
ffmpeg -v error -i "$work/export.gif" -f null - || fail "the installed player's Export wrote no GIF that ffmpeg reads"
echo "ok: Export from the movie window's menu loads the installed conversion module and writes a GIF"

# The Quit button of the control panel, at its design place.
xdotool mousemove 601 173 click 1
expect_player_end "the Quit button"
echo "ok: the Quit button ends it"
echo "PASS"
