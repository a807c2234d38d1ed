#!/usr/bin/env bash
# End to end on a virtual X display: file names as Linux gives them, and what
# a user who started the player from a terminal reads there.
#
# intro.fli (320 x 200) and INTRO.FLI (128 x 128) stand in one folder.
# 1. "TYPO intro.fli", TYPO being an absolute path to nothing: intro.fli plays,
#    its movie window titled intro.fli with that flic's size; TYPO is named on
#    standard error; Alt+X ends the program with status 0;
# 2. "/PLAYFILE INTRO.FLI /MODE X": INTRO.FLI plays under its own name and
#    size; /MODE X stops the words with a box whose text also stands on
#    standard error; the box answered, Alt+X ends the program with status 1.
#
# usage: e2e_names.sh BUILD_DIR
set -u

E2E_PACKAGES="x11-utils xdotool"
source "$(dirname "$0")/lib/e2e_common.sh"

# ---- On the virtual display ------------------------------------------------

cp "$source_dir/tests/data/flics/ap_ann2.fli" "$work/intro.fli"
cp "$source_dir/tests/data/flics/pil_hopper.fli" "$work/INTRO.FLI"
typo="$work/typo.flc"

start_player() {
  (cd "$work" && exec "$player" "$@") > "$work/player.log" 2>&1 &
  player_pid=$!
}

# The one visible window whose name is exactly $1; waits up to 30 s.
window_named() {
  local id=""
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2> /dev/null | head -n 1)
    [ -n "$id" ] && break
    kill -0 "$player_pid" 2> /dev/null || fail "the player ended while waiting for the window $1"
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window named $1"
  echo "$id"
}

# The movie window named $1 shows a picture of $2 (WxH): the flic of that name.
expect_movie() {
  local id size
  id=$(window_named "$1")
  size=$(xwininfo -id "$id" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
  [ "$size" = "$2" ] || fail "the movie window $1 is $size, not $2: another flic played"
  echo "$id"
}

alt_x_to() {
  xdotool windowfocus --sync "$1" key alt+x
  await_player_end "Alt+X" 10
}

# Lines the player wrote for the user, without what libraries may add.
said() { grep '^kinetrope: ' "$work/player.log"; }

start_player "$typo" intro.fli
movie=$(expect_movie intro.fli 320x200)
alt_x_to "$movie"
[ "$player_status" -eq 0 ] || fail "a normal run ended with status $player_status"
[ "$(said)" = "kinetrope: ignored $typo: neither a word nor an existing file" ] ||
  fail "standard error does not name the ignored token alone: $(said)"
echo "ok: intro.fli played as intro.fli, the typo named on standard error, status 0"

start_player /PLAYFILE INTRO.FLI /MODE X
expect_movie INTRO.FLI 128x128 > /dev/null
box=$(window_named Kinetrope)
[ "$(said)" = "kinetrope: 'X' is not a valid integer value." ] || fail "the box's text is not on standard error: $(said)"
xdotool windowfocus --sync "$box" key Return
for _ in $(seq 100); do
  xdotool search --onlyvisible --name '^Kinetrope$' > /dev/null 2>&1 || break
  sleep 0.1
done
alt_x_to "$(window_named 'Kinetrope 32bit.*')"
[ "$player_status" -eq 1 ] || fail "after an error in the words the program ended with status $player_status, not 1"
echo "ok: INTRO.FLI played as INTRO.FLI; the error's box on standard error, status 1"
echo "PASS"
