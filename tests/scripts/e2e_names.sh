#!/usr/bin/env bash
# End to end on a virtual X display, with intro.fli (320 x 200) and INTRO.FLI
# (128 x 128) in one folder:
# 1. "TYPO intro.fli" plays intro.fli in a movie window titled intro.fli, of
#    its size; standard error names TYPO, an absolute path to nothing; Alt+X
#    ends the program with status 0;
# 2. "/PLAYFILE INTRO.FLI /MODE X" plays INTRO.FLI, titled so, of its size;
#    the error box's text stands on standard error; the box answered, Alt+X
#    ends the program with status 1.
#
# usage: e2e_names.sh BUILD_DIR
set -u

E2E_PACKAGES="x11-utils xdotool"
source "$(dirname "$0")/lib/e2e_common.sh"

cp "$source_dir/tests/data/flics/ap_ann2.fli" "$work/intro.fli"
cp "$source_dir/tests/data/flics/pil_hopper.fli" "$work/INTRO.FLI"

# The visible window named exactly $1, once there is one; in a $( ), so
# what fails says why on standard output.
window_named() {
  local id=""
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2> /dev/null | head -n 1)
    [ -n "$id" ] && echo "$id" && return
    kill -0 "$player_pid" 2> /dev/null || fail "the player ended before a window $1 showed"
    sleep 0.1
  done
  fail "no window named $1"
}

# Runs the player on these words until the movie window $1 shows a picture of $2 (WxH).
play_and_see() {
  local name=$1 size=$2
  shift 2
  (cd "$work" && exec "$player" "$@") > "$work/player.log" 2>&1 &
  player_pid=$!
  movie=$(window_named "$name") || fail "$movie"
  seen=$(xwininfo -id "$movie" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
  [ "$seen" = "$size" ] || fail "the movie window $name is $seen, not $size: another flic played"
}

alt_x_to() {
  xdotool windowfocus --sync "$1" key alt+x
  await_player_end "Alt+X" 10
}

said() { grep '^kinetrope: ' "$work/player.log"; }

play_and_see intro.fli 320x200 "$work/typo.flc" intro.fli
alt_x_to "$movie"
[ "$player_status" -eq 0 ] || fail "a normal run ended with status $player_status"
[ "$(said)" = "kinetrope: ignored $work/typo.flc: neither a word nor an existing file" ] ||
  fail "standard error does not name the ignored token alone: $(said)"
echo "ok: intro.fli played as intro.fli, the typo named on standard error, status 0"

play_and_see INTRO.FLI 128x128 /PLAYFILE INTRO.FLI /MODE X
box=$(window_named Kinetrope) || fail "$box"
xdotool windowfocus --sync "$box" key Return
[ "$(said)" = "kinetrope: 'X' is not a valid integer value." ] || fail "the box's text is not on standard error: $(said)"
panel=$(window_named 'Kinetrope 32bit.*') || fail "$panel"
alt_x_to "$panel"
[ "$player_status" -eq 1 ] || fail "after an error in the words the program ended with status $player_status, not 1"
echo "ok: INTRO.FLI played as INTRO.FLI, the error's box on standard error, status 1"
echo "PASS"
