#!/usr/bin/env bash
# End to end: what the player tells a script that runs it.
#
# 1. -h prints the help as --help does, and opens no window;
# 2. started with no display at all, the player says so on standard error
#    and ends with status 1, not with the toolkit's abort;
# 3. on a virtual X display, "nosuch.flc FOLDER notes.flc demo.flc /CLOSE"
#    shows the load error box for each of the first three (each answered
#    here), says why on standard error after the box's own line, plays the
#    demo, and ends with status 1: not every flic the words named could be
#    played.
#
# usage: e2e_reports.sh BUILD_DIR
set -u

E2E_PACKAGES="xdotool x11-utils"
source "$(dirname "$0")/lib/e2e_common.sh"

# ---- On the virtual display ------------------------------------------------

# 1. -h and --help.
"$player" --help > "$work/help-long.txt" 2>&1 || fail "--help ended with status $?"
"$player" -h > "$work/help-short.txt" 2>&1 || fail "-h ended with status $?"
cmp -s "$work/help-long.txt" "$work/help-short.txt" || fail "-h does not print what --help prints"
grep -q '^usage: kinetrope' "$work/help-short.txt" || fail "-h printed no usage"
echo "ok: -h prints the help"

# 2. No display: neither X11 nor Wayland, no platform named.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$player" "$demo" > "$work/nodisplay.log" 2>&1 || status=$?
[ "$status" = 1 ] || fail "without a display the player ended with status $status: $(cat "$work/nodisplay.log")"
grep -q '^kinetrope: no display to show the player on: DISPLAY and WAYLAND_DISPLAY are both unset' \
  "$work/nodisplay.log" || fail "without a display the player did not say so: $(cat "$work/nodisplay.log")"
echo "ok: without a display, status 1 and: $(grep '^kinetrope: no display' "$work/nodisplay.log")"

# 3. Three flics that cannot be played, then one that can.
mkdir "$work/folder.flc"
printf 'hello, world\n' > "$work/notes.flc"
cp "$demo" "$work/demo.flc"
(cd "$work" && LC_ALL=C exec "$player" nosuch.flc folder.flc notes.flc demo.flc /CLOSE) > "$work/player.log" 2>&1 &
player_pid=$!
answer_error_box() {
  local box
  box=$(xdotool search --onlyvisible --name '^Error$' 2> /dev/null | head -n 1)
  [ -n "$box" ] && xdotool windowfocus --sync "$box" key Return 2> /dev/null
}
await_player_end "the words" 60 answer_error_box
[ "$player_status" = 1 ] || fail "a run with flics that could not be played ended with status $player_status"
for reason in "nosuch.flc: No such file or directory" "folder.flc: it is a folder, not a flic file" \
  "notes.flc: not a flic: the file starts with \"hello, w\""; do
  name=${reason%%:*}
  grep -A1 -xF "kinetrope: There was an error while attempting to load $name." "$work/player.log" |
    grep -qF "kinetrope: $reason" || fail "no line \"$reason\" after the box's own"
done
[ "$(grep -c '^kinetrope: There was an error' "$work/player.log")" = 3 ] || fail "not three load errors"
echo "ok: three boxes kept their text, standard error said why, and the run ended with status 1"
echo "PASS"
