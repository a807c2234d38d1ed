#!/usr/bin/env bash
# Figures of the flic writer through kinetrope-cli convert:
#  1. every clean flic of tests/data/flics re-encoded in its own kind (FLC or
#     FLI), its size against the original and the median of the ratios;
#  2. frames a second re-encoding a 640x480 flic of moving blocks;
#  3. peak memory (maximum resident set) re-encoding a 4000-frame 640x480 flic.
#
# usage: bench/flic_writer_figures.sh BUILD_DIR [FRAMES_FOR_SPEED (300)]
set -eu
build=${1:?usage: flic_writer_figures.sh BUILD_DIR [FRAMES]}
frames=${2:-300}
root=$(cd "$(dirname "$0")/.." && pwd)
cli="$build/kinetrope-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== size against the original"
ratios=()
for flic in "$root"/tests/data/flics/*.fli "$root"/tests/data/flics/*.flc "$root"/tests/data/flics/*.cel; do
  "$cli" check "$flic" > /dev/null 2>&1 || continue
  kind=$(python3 -c "import struct,sys; print('fli' if struct.unpack_from('<H', open(sys.argv[1],'rb').read(), 4)[0] == 0xAF11 else 'flc')" "$flic")
  "$cli" convert "$flic" "$work/out.$kind" > /dev/null
  before=$(stat -c %s "$flic")
  after=$(stat -c %s "$work/out.$kind")
  ratio=$(python3 -c "print(f'{$after / $before:.3f}')")
  ratios+=("$ratio")
  printf '%-28s %-4s %9d -> %9d  %s\n' "$(basename "$flic")" "$kind" "$before" "$after" "$ratio"
done
python3 -c "import statistics,sys; r=[float(x) for x in sys.argv[1:]]; print(f'median {statistics.median(r):.3f}, largest {max(r):.3f}, of {len(r)} flics')" "${ratios[@]}"

echo "== re-encoding speed, 640x480"
"$build/bench/make_long_flic" "$work/speed.flc" --frames "$frames" --size 640 480 > /dev/null
# Processor time as well as wall time: the machines these run on are shared.
/usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$cli" convert "$work/speed.flc" "$work/speed_out.flc" > /dev/null
read -r wall user sys < "$work/time.txt"
python3 -c "print(f'{$frames} frames: {$wall:.2f} s wall ({$frames / $wall:.1f} frames/s), {$user + $sys:.2f} s processor ({$frames / ($user + $sys):.1f} frames/s); $(stat -c %s "$work/speed.flc") -> $(stat -c %s "$work/speed_out.flc") bytes')"

echo "== peak memory, 4000 frames of 640x480"
"$build/bench/make_long_flic" "$work/long.flc" --frames 4000 --size 640 480 > /dev/null
/usr/bin/time -f "%M KiB peak resident, %e s wall, %U s user" "$cli" convert "$work/long.flc" "$work/long_out.flc" > /dev/null
echo "input $(stat -c %s "$work/long.flc") bytes, output $(stat -c %s "$work/long_out.flc") bytes"
