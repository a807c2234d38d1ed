#!/usr/bin/env bash
# Playback benchmarks of the real program on a virtual X display (Xvfb):
#
# 1. processor use while a 320 x 200 flic loops at a 40 ms delay, the player
#    against ffplay showing the same file at the same rate, in the same run;
# 2. the frame period at delays of 10, 40 and 100 ms over 1000 frames;
# 3. frames per second with no delay, one to one and stretched to twice the
#    size, for a 320 x 200 and a 640 x 480 flic, against kinetrope-cli bench,
#    and the player's own processor time per frame shown;
# 4. the same with "Play in Direct-X mode" on a 1024 x 768 screen: frames
#    shown per second and processor time per frame shown full screen;
# 5. processor use of a full-screen playback paced at 40 ms (25 frames a second).
#
# Frame times come from xput_shim.so, preloaded into the unchanged player: it
# timestamps each call that puts a painted picture on the X server.
#
# usage: bench/playback/run.sh [BUILD_DIR]     (default: build/playbench)
# Builds kinetrope, kinetrope-cli and make_long_flic (Release) there if they are missing and
# writes the raw logs and summary.md to BUILD_DIR/playbench/.
# Environment: CPU_SECONDS (20), TIMING_FRAMES (1000), FPS_SECONDS (10),
#   DELAYS ("10 40 100"), FLIC_SMALL (demo/demo.flc), FLIC_LARGE (26 frames
#   of 640 x 480 DELTA_FLC, written by make_long_flic), SECTIONS ("1 2 3 4 5": the parts to run;
#   a build without full-screen output plays 4 and 5 in the movie window).
set -u
# --help prints the comment above, not a build or a run in a folder named --help.
case ${1:-} in -h | --help) sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0" && exit 0 ;; esac

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build_dir=${1:-$source_dir/build/playbench}
sections=" ${SECTIONS:-1 2 3 4 5} "
wants() { case "$sections" in *" $1 "*) return 0 ;; esac; return 1; }

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if [ -z "${KT_PLAYBENCH_DISPLAY:-}" ]; then
  # The tools: Xvfb, window control, ffplay as the peer, a compiler for the shim.
  source "$source_dir/scripts/install_packages.sh"
  kinetrope_install_packages xvfb xauth xdotool x11-utils ffmpeg python3 gcc libc6-dev cmake ||
    fail "could not install the benchmark's tools"
  if [ ! -x "$build_dir/kinetrope" ] || [ ! -x "$build_dir/kinetrope-cli" ] || [ ! -x "$build_dir/bench/make_long_flic" ]; then
    echo "Building kinetrope, kinetrope-cli and make_long_flic in $build_dir"
    cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DKINETROPE_TESTS=OFF \
      -DKINETROPE_BENCH=ON > /dev/null || fail "cmake failed"
    make -C "$build_dir" -j2 kinetrope kinetrope-cli make_long_flic > /dev/null || fail "build failed"
  fi
  build_dir=$(cd "$build_dir" && pwd)
  rm -rf "$build_dir/playbench"
  # None of the real flics kept with the project is 640 x 480.
  if [ -z "${FLIC_LARGE:-}" ]; then
    mkdir -p "$build_dir/playbench"
    export FLIC_LARGE="$build_dir/playbench/blocks_640x480.flc"
    "$build_dir/bench/make_long_flic" "$FLIC_LARGE" --frames 26 --size 640 480 > /dev/null || fail "make_long_flic failed"
  fi
  # Window output on a screen big enough for a 640 x 480 picture stretched to
  # twice its size; full screen on the 1024 x 768 screen it is measured for.
  if wants 1 || wants 2 || wants 3; then
    xvfb-run -a -s "-screen 0 1920x1200x24 -nolisten tcp" env KT_PLAYBENCH_DISPLAY=window bash "$0" "$build_dir" ||
      exit 1
  fi
  if wants 4 || wants 5; then
    xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" env KT_PLAYBENCH_DISPLAY=fullscreen bash "$0" "$build_dir" ||
      exit 1
  fi
  echo
  cat "$build_dir/playbench/summary.md"
  exit 0
fi

# ---- On the virtual display ------------------------------------------------

player="$build_dir/kinetrope"
cli="$build_dir/kinetrope-cli"
flic_small=${FLIC_SMALL:-$source_dir/demo/demo.flc}
flic_large=${FLIC_LARGE:-}
cpu_seconds=${CPU_SECONDS:-20}
timing_frames=${TIMING_FRAMES:-1000}
fps_seconds=${FPS_SECONDS:-10}
delays=${DELAYS:-10 40 100}
skip=5  # frames left out at the start of a timing run: the first paints of the window
out="$build_dir/playbench"
analyse="python3 $here/analyse.py"
clk_tck=$(getconf CLK_TCK)

[ -f "$flic_small" ] || fail "no flic at $flic_small"
[ -f "$flic_large" ] || fail "no flic at $flic_large"
mkdir -p "$out/config"
gcc -O2 -Wall -Wextra -shared -fPIC -o "$out/xput_shim.so" "$here/xput_shim.c" -ldl || fail "shim build failed"

export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$out/config"  # no stored settings, and none left behind
export XDG_RUNTIME_DIR="$out/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export SDL_AUDIODRIVER=dummy
display_number=${DISPLAY#:}
display_number=${display_number%%.*}
xvfb_pid=$(tr -d ' ' < "/tmp/.X${display_number}-lock")

program_pid=""
cleanup() {
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2> /dev/null; then kill "$program_pid"; fi
}
trap cleanup EXIT

now() { date +%s.%N; }

# snapshot PID FOLDER: wall time, /proc/PID/stat and the threads' schedstat sum.
snapshot() {
  mkdir -p "$2"
  now > "$2/wall"
  cat "/proc/$1/stat" > "$2/stat"
  cat /proc/"$1"/task/*/schedstat 2> /dev/null | awk '{s += $1} END {printf "%d\n", s}' > "$2/sched"
}

# Asks the program to end; one that does not within 5 s is killed.
stop_program() {
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2> /dev/null
    local tries=0
    while kill -0 "$program_pid" 2> /dev/null && [ "$tries" -lt 50 ]; do
      sleep 0.1
      tries=$((tries + 1))
    done
    if kill -0 "$program_pid" 2> /dev/null; then
      echo "$program_pid did not end when asked; killed" >> "$out/player.log"
      kill -9 "$program_pid" 2> /dev/null
    fi
    wait "$program_pid" 2> /dev/null
    program_pid=""
  fi
  sleep 0.5
}

# The player loops FILE at DELAY; further arguments go into its environment.
start_player() {
  local delay=$1 file=$2
  shift 2
  env "$@" "$player" /DELAY "$delay" /LOOPON /PLAYFILE "$file" >> "$out/player.log" 2>&1 &
  program_pid=$!
}

put_count() { if [ -f "$1" ]; then wc -l < "$1"; else echo 0; fi; }

# Waits until LOG has COUNT lines, at most SECONDS.
wait_for_puts() {
  local log=$1 count=$2 seconds=$3 waited=0
  while [ "$(put_count "$log")" -lt "$count" ]; do
    kill -0 "$program_pid" 2> /dev/null || fail "the program ended early; see $out/player.log"
    sleep 0.5
    waited=$((waited + 1))
    [ "$waited" -le $((seconds * 2)) ] || fail "only $(put_count "$log") of $count frames in $seconds s"
  done
}

flic_size() { "$cli" info "$1" | awk '/^Width/ {w = $3} /^Height/ {h = $3} END {print w, h}'; }

load() { uptime | sed 's/.*load average: //'; }

summary="$out/summary.md"
if [ ! -f "$summary" ]; then
  {
    echo "Machine: $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')"
    echo
  } > "$summary"
fi
echo "Load average (1, 5, 15 min) at the start of the $KT_PLAYBENCH_DISPLAY part: $(load)" >> "$summary"
echo >> "$summary"

# µs of processor per frame: CPU seconds a second over frames a second.
per_frame() { python3 -c "import math; c, f = $1, $2; print(f'{c / f * 1e6:,.0f}' if f > 0 else 'n/a')"; }

# ---- 1. Processor use at 40 ms -----------------------------------------------

# measure_cpu NAME STARTED [LOG]: the program started last; snapshots of it
# and of Xvfb at 3 s and 3 + CPU_SECONDS s after its start, with the size
# LOG had then.
measure_cpu() {
  local name=$1 started=$2 log=${3:-/dev/null}
  sleep "$(python3 -c "print(max(0.0, $started + 3 - $(now)))")"
  snapshot "$program_pid" "$out/cpu/$name/start"
  snapshot "$xvfb_pid" "$out/cpu/$name/xvfb-start"
  wc -c < "$log" > "$out/cpu/$name/start/log"
  sleep "$cpu_seconds"
  kill -0 "$program_pid" 2> /dev/null || fail "$name ended during the measurement"
  snapshot "$program_pid" "$out/cpu/$name/end"
  snapshot "$xvfb_pid" "$out/cpu/$name/xvfb-end"
  wc -c < "$log" > "$out/cpu/$name/end/log"
  stop_program
  read -r own own_sched used wall <<< "$($analyse cpu "$out/cpu/$name/start" "$out/cpu/$name/end" "$clk_tck")"
  read -r server _ _ _ <<< "$($analyse cpu "$out/cpu/$name/xvfb-start" "$out/cpu/$name/xvfb-end" "$clk_tck")"
  echo "| $name | $own | $own_sched | $used s in $wall s | $server |" >> "$out/cpu.md"
}

cpu_flic_name=$(basename "$flic_small")
if [ "$KT_PLAYBENCH_DISPLAY" = window ] && wants 1; then
echo "1. processor use, ${cpu_seconds} s at 40 ms"
cpu_flic_name=$(basename "$flic_small")
# Both programs play one copy of the flic whose header asks for 40 ms a frame,
# so ffplay shows 25 frames a second by the file's own timing. An FLI's delay
# is counted in 1/70 s and cannot say 40 ms: ffplay then gets each frame's
# presentation time from a filter, 40 ms after the previous one.
cpu_flic="$out/40ms-$cpu_flic_name"
ffplay_filter=()
magic=$(python3 "$here/analyse.py" speed40 "$flic_small" "$cpu_flic") || fail "cannot copy $flic_small"
[ "$magic" = FLC ] || ffplay_filter=(-vf "setpts=N/25/TB")
: > "$out/cpu.md"
for round in 1 2; do
  # The player alone, then with the shim counting the frames it shows.
  started=$(now)
  start_player 40 "$cpu_flic"
  measure_cpu "kinetrope (round $round)" "$started"

  started=$(now)
  start_player 40 "$cpu_flic" XPUT_LOG="$out/cpu-frames-$round.log" LD_PRELOAD="$out/xput_shim.so"
  measure_cpu "kinetrope with the frame counter (round $round)" "$started"
  read -r shown _ _ <<< "$($analyse rate "$out/cpu-frames-$round.log" $(flic_size "$cpu_flic") 3)"
  echo "kinetrope round $round: $shown frames/s shown" >> "$out/cpu-rates.txt"

  # ffplay under SDL's OpenGL renderer (its choice here: Mesa's software
  # OpenGL) and under SDL's software renderer. Its -stats line gives the
  # video clock, from which the frames shown follow, and the frames dropped.
  for renderer in opengl software; do
    started=$(now)
    env SDL_RENDER_DRIVER=$renderer ffplay -hide_banner -loglevel error -stats -an -loop 0 \
      ${ffplay_filter[@]+"${ffplay_filter[@]}"} -window_title ffplay "$cpu_flic" \
      2> "$out/ffplay-$renderer-$round.log" &
    program_pid=$!
    name="ffplay, SDL $renderer renderer (round $round)"
    measure_cpu "$name" "$started" "$out/ffplay-$renderer-$round.log"
    echo "ffplay $renderer round $round: $($analyse ffclock "$out/ffplay-$renderer-$round.log" 40 \
      "$out/cpu/$name/start" "$out/cpu/$name/end")" >> "$out/cpu-rates.txt"
  done
done
# Paused with the X key in the movie window: the hold blocks as the wait does.
log="$out/cpu-paused.log"
start_player 40 "$cpu_flic" XPUT_LOG="$log" LD_PRELOAD="$out/xput_shim.so"
wait_for_puts "$log" 50 30
window=$(tail -n 1 "$log" | cut -d ' ' -f 3)
xdotool windowfocus --sync "$window" key x
sleep 1
frames_before=$(put_count "$log")
snapshot "$program_pid" "$out/cpu/paused/start"
snapshot "$xvfb_pid" "$out/cpu/paused/xvfb-start"
sleep "$cpu_seconds"
snapshot "$program_pid" "$out/cpu/paused/end"
snapshot "$xvfb_pid" "$out/cpu/paused/xvfb-end"
frames_after=$(put_count "$log")
stop_program
read -r own own_sched used wall <<< "$($analyse cpu "$out/cpu/paused/start" "$out/cpu/paused/end" "$clk_tck")"
read -r server _ _ _ <<< "$($analyse cpu "$out/cpu/paused/xvfb-start" "$out/cpu/paused/xvfb-end" "$clk_tck")"
echo "| kinetrope paused | $own | $own_sched | $used s in $wall s | $server |" >> "$out/cpu.md"
echo "kinetrope paused: $((frames_after - frames_before)) frames shown while paused" >> "$out/cpu-rates.txt"

{
  echo "### Processor use: $cpu_flic_name ($(flic_size "$cpu_flic" | sed 's/ / x /')) looping at 40 ms, ${cpu_seconds} s from 3 s after the start"
  echo
  echo "| Program | CPU s / s (utime+stime) | CPU s / s (schedstat) | Used | Xvfb CPU s / s |"
  echo "|---|---:|---:|---|---:|"
  cat "$out/cpu.md"
  echo
  sed 's/^/    /' "$out/cpu-rates.txt"
  echo
} >> "$summary"

fi

# ---- 2. Frame period ---------------------------------------------------------
if [ "$KT_PLAYBENCH_DISPLAY" = window ] && wants 2; then

echo "2. frame periods at $delays ms"
{
  echo "### Frame period: $cpu_flic_name looping, ${timing_frames} periods after the first $skip frames"
  echo
  echo "| Delay | Periods | Mean ms | SD ms | Min ms | Max ms | Mean first 100 | Mean last 100 | Total - N x delay | Within 1 ms |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
} >> "$summary"
for delay in $delays; do
  log="$out/timing-$delay.log"
  start_player "$delay" "$flic_small" XPUT_LOG="$log" LD_PRELOAD="$out/xput_shim.so"
  wait_for_puts "$log" $((skip + timing_frames + 2)) $((timing_frames * delay / 1000 * 2 + 30))
  stop_program
  $analyse periods "$log" "$delay" "$timing_frames" "$skip" >> "$summary"
done
echo >> "$summary"
fi

# ---- 3. No delay -------------------------------------------------------------

if [ "$KT_PLAYBENCH_DISPLAY" = window ] && wants 3; then
echo "3. frames per second with no delay"
{
  echo "### No delay: frames shown per second, ${fps_seconds} s each, against kinetrope-cli bench (decoding only)"
  echo
  echo "| Flic | Picture | Decode only, frames/s | Shown 1:1 | Fraction | Shown 2x | Fraction | Player CPU s/s 1:1, 2x | Player CPU µs/frame 1:1, 2x | Xvfb CPU s/s 1:1, 2x |"
  echo "|---|---|---:|---:|---:|---:|---:|---|---|---|"
} >> "$summary"
for flic in "$flic_small" "$flic_large"; do
  name=$(basename "$flic")
  read -r width height <<< "$(flic_size "$flic")"
  decode=$("$cli" bench "$flic" | awk '/^frames per second/ {print $4}')
  log="$out/fps-$name.log"
  start_player 0 "$flic" XPUT_LOG="$log" LD_PRELOAD="$out/xput_shim.so"
  wait_for_puts "$log" 10 30
  sleep 2
  snapshot "$program_pid" "$out/fps/$name/1-start"
  snapshot "$xvfb_pid" "$out/fps/$name/1-xvfb-start"
  sleep "$fps_seconds"
  snapshot "$program_pid" "$out/fps/$name/1-end"
  snapshot "$xvfb_pid" "$out/fps/$name/1-xvfb-end"
  # Stretched: the movie window resized as a user's drag would, during playback.
  window=$(tail -n 1 "$log" | cut -d ' ' -f 3)
  xdotool windowsize "$window" $((width * 2)) $((height * 2))
  sleep 2
  snapshot "$program_pid" "$out/fps/$name/2-start"
  snapshot "$xvfb_pid" "$out/fps/$name/2-xvfb-start"
  sleep "$fps_seconds"
  snapshot "$program_pid" "$out/fps/$name/2-end"
  snapshot "$xvfb_pid" "$out/fps/$name/2-xvfb-end"
  stop_program
  read -r one _ _ <<< "$($analyse rate "$log" "$width" "$height" 2)"
  read -r two _ _ <<< "$($analyse rate "$log" $((width * 2)) $((height * 2)) 1)"
  cpu_one=$($analyse cpu "$out/fps/$name/1-start" "$out/fps/$name/1-end" "$clk_tck" | cut -d ' ' -f 1)
  cpu_two=$($analyse cpu "$out/fps/$name/2-start" "$out/fps/$name/2-end" "$clk_tck" | cut -d ' ' -f 1)
  server_one=$($analyse cpu "$out/fps/$name/1-xvfb-start" "$out/fps/$name/1-xvfb-end" "$clk_tck" | cut -d ' ' -f 1)
  server_two=$($analyse cpu "$out/fps/$name/2-xvfb-start" "$out/fps/$name/2-xvfb-end" "$clk_tck" | cut -d ' ' -f 1)
  python3 -c "
d, a, b = $decode, $one, $two
print(f'| $name | $width x $height | {d:,.0f} | {a:,.0f} | {a / d:.2%} | {b:,.0f} | {b / d:.2%} '
      f'| $cpu_one, $cpu_two | $(per_frame "$cpu_one" "$one"), $(per_frame "$cpu_two" "$two") '
      f'| $server_one, $server_two |')" >> "$summary"
done
echo >> "$summary"
fi

# ---- 4. Full screen, no delay ------------------------------------------------

if [ "$KT_PLAYBENCH_DISPLAY" = fullscreen ] && wants 4; then
echo "4. full screen (1024 x 768) with no delay"
{
  echo "### Full screen on a 1024 x 768 screen, no delay: frames shown per second, ${fps_seconds} s each"
  echo
  echo "| Flic | Picture | Decode only, frames/s | Shown | Fraction | Player CPU s/s | Player CPU µs/frame | Xvfb CPU s/s |"
  echo "|---|---|---:|---:|---:|---:|---:|---:|"
} >> "$summary"
for flic in "$flic_small" "$flic_large"; do
  name=$(basename "$flic")
  read -r width height <<< "$(flic_size "$flic")"
  decode=$("$cli" bench "$flic" | awk '/^frames per second/ {print $4}')
  log="$out/fullscreen-$name.log"
  env XPUT_LOG="$log" LD_PRELOAD="$out/xput_shim.so" "$player" /DIRECTXON /DELAY 0 /LOOPON /PLAYFILE "$flic" \
    >> "$out/player.log" 2>&1 &
  program_pid=$!
  wait_for_puts "$log" 10 30
  sleep 2
  snapshot "$program_pid" "$out/fullscreen/$name/start"
  snapshot "$xvfb_pid" "$out/fullscreen/$name/xvfb-start"
  sleep "$fps_seconds"
  snapshot "$program_pid" "$out/fullscreen/$name/end"
  snapshot "$xvfb_pid" "$out/fullscreen/$name/xvfb-end"
  stop_program
  # The pictures put are the size of the movie window: the screen with full
  # screen output, the flic without it (a build that plays it in the window).
  read -r shown _ _ <<< "$($analyse rate "$log" 1024 768 2)"
  [ "$shown" = nan ] && read -r shown _ _ <<< "$($analyse rate "$log" "$width" "$height" 2)"
  cpu=$($analyse cpu "$out/fullscreen/$name/start" "$out/fullscreen/$name/end" "$clk_tck" | cut -d ' ' -f 1)
  server=$($analyse cpu "$out/fullscreen/$name/xvfb-start" "$out/fullscreen/$name/xvfb-end" "$clk_tck" | cut -d ' ' -f 1)
  python3 -c "
d, a = $decode, $shown
print(f'| $name | $width x $height | {d:,.0f} | {a:,.0f} | {a / d:.2%} | $cpu | $(per_frame "$cpu" "$shown") | $server |')" \
    >> "$summary"
done
echo >> "$summary"
fi

# ---- 5. Full screen, paced ---------------------------------------------------

if [ "$KT_PLAYBENCH_DISPLAY" = fullscreen ] && wants 5; then
echo "5. full screen at 40 ms, ${cpu_seconds} s"
{
  echo "### Full screen on a 1024 x 768 screen at 40 ms (25 frames a second), ${cpu_seconds} s from 3 s after the start"
  echo
  echo "| Flic | CPU s / s (utime+stime) | CPU s / s (schedstat) | Frames/s shown | Xvfb CPU s / s |"
  echo "|---|---:|---:|---:|---:|"
} >> "$summary"
for round in 1 2; do
  log="$out/fullscreen-paced-$round.log"
  started=$(now)
  env XPUT_LOG="$log" LD_PRELOAD="$out/xput_shim.so" "$player" /DIRECTXON /DELAY 40 /LOOPON /PLAYFILE "$flic_small" \
    >> "$out/player.log" 2>&1 &
  program_pid=$!
  sleep "$(python3 -c "print(max(0.0, $started + 3 - $(now)))")"
  snapshot "$program_pid" "$out/paced/$round/start"
  snapshot "$xvfb_pid" "$out/paced/$round/xvfb-start"
  sleep "$cpu_seconds"
  kill -0 "$program_pid" 2> /dev/null || fail "the full-screen playback ended during the measurement"
  snapshot "$program_pid" "$out/paced/$round/end"
  snapshot "$xvfb_pid" "$out/paced/$round/xvfb-end"
  stop_program
  read -r own own_sched _ _ <<< "$($analyse cpu "$out/paced/$round/start" "$out/paced/$round/end" "$clk_tck")"
  read -r server _ _ _ <<< "$($analyse cpu "$out/paced/$round/xvfb-start" "$out/paced/$round/xvfb-end" "$clk_tck")"
  read -r shown _ _ <<< "$($analyse rate "$log" 1024 768 3)"
  [ "$shown" = nan ] && read -r shown _ _ <<< "$($analyse rate "$log" $(flic_size "$flic_small") 3)"
  echo "| $(basename "$flic_small") (round $round) | $own | $own_sched | $shown | $server |" >> "$summary"
done
echo >> "$summary"
fi

echo "Load average (1, 5, 15 min) at the end of the $KT_PLAYBENCH_DISPLAY part: $(load)" >> "$summary"
echo >> "$summary"
