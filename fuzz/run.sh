#!/usr/bin/env bash
# Builds the libFuzzer fuzzers with clang and runs each for a number of
# executions, starting from the stored corpus, freshly written seed flics and
# chunks, and the real flics in tests/data/flics; the options file, script and
# words fuzzers start from their stored corpus and the words in words.dict.
# Afterwards the corpus is merged down to the smallest set of inputs that
# keeps all the coverage found, and written back to fuzz/corpus/<name>/
# (commit it; ./test replays it).
#
#   fuzz/run.sh [executions per fuzzer, default 1000000] [fuzzer ...]
#
# Environment: BUILD_DIR (default build/fuzz), FUZZ_TIMEOUT (seconds one input
# may take, default 10), FUZZ_FLAGS (more libFuzzer flags, e.g. -jobs=2).
# One fuzzer runs at a time, in one process. Crashes, leaks, timeouts and
# mismatches land in $BUILD_DIR/fuzz-work/<name>/artifacts/; the script then
# ends with status 1.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/fuzz}
runs=${1:-1000000}
shift || true
fuzzers=("$@")
[ ${#fuzzers[@]} -eq 0 ] && fuzzers=(flic_file_fuzzer chunk_fuzzer true_colour_chunk_fuzzer flic_writer_fuzzer settings_file_fuzzer script_fuzzer words_fuzzer)

flics=$root/tests/data/flics
if [ ! -d "$flics" ]; then
  echo "no real flics at $flics"
  exit 77
fi

# The Qt side is built too: the words fuzzer runs the control panel's code.
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DKINETROPE_LIBFUZZER=ON -DKINETROPE_GUI=ON \
  -DKINETROPE_TESTS=ON -DKINETROPE_BENCH=OFF >/dev/null || exit 1
cmake --build "$build" -j2 --target fuzz_seeds "${fuzzers[@]}" >/dev/null || exit 1

work=$build/fuzz-work
"$build/fuzz/fuzz_seeds" "$work/seeds/flic_file_fuzzer" "$work/seeds/chunk_fuzzer" || exit 1

# Longest input each fuzzer makes up. Whole flics of a few kilobytes reach
# every reading and decoding path; a chunk for a 64 x 64 picture needs at
# most about 4 KB.
max_len_of() {
  case $1 in
    flic_file_fuzzer) echo 8192 ;;
    chunk_fuzzer) echo 5000 ;;
    # A parameter list of a kilobyte holds a few hundred tokens: every word
    # and its argument, long names past the message limit, and scripts.
    words_fuzzer) echo 1024 ;;
    *) echo 4096 ;;
  esac
}

# Flags of one fuzzer. The words run the Qt side, whose caches grow now and
# then; each growth makes libFuzzer scan the whole heap for leaks, which
# takes eight of every nine seconds. The replay under ./test still looks for
# leaks once, at its end, over every stored input.
flags_of() {
  case $1 in
    words_fuzzer) echo -detect_leaks=0 ;;
  esac
}

failed=0
for name in "${fuzzers[@]}"; do
  binary=$build/fuzz/$name
  corpus=$root/fuzz/corpus/$name
  seeds=$work/seeds/$name
  fresh=$work/$name/new
  artifacts=$work/$name/artifacts
  max_len=$(max_len_of "$name")
  mkdir -p "$corpus" "$seeds" "$fresh" "$artifacts"
  extra=()
  [ "$name" = flic_file_fuzzer ] && extra+=("$flics")
  dict=()
  case $name in script_fuzzer | words_fuzzer) dict=(-dict="$root/fuzz/words.dict") ;; esac

  echo "== $name: $runs executions"
  start=$(date +%s)
  # shellcheck disable=SC2086
  "$binary" -runs="$runs" -max_len="$max_len" -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "${dict[@]}" $(flags_of "$name") ${FUZZ_FLAGS:-} \
    "$fresh" "$corpus" "$seeds" "${extra[@]}" >"$work/$name/log" 2>&1
  status=$?
  echo "   $(($(date +%s) - start)) s, exit status $status; log: $work/$name/log"
  grep -E '^#[0-9]+[[:space:]]+(DONE|INITED)|stat::number_of_executed_units|stat::peak_rss_mb' "$work/$name/log" | sed 's/^/   /'
  if [ $status -ne 0 ]; then
    failed=1
    grep -E 'ERROR|SUMMARY|Test unit written' "$work/$name/log" | sed 's/^/   /'
  fi

  # Merge into an empty folder, so only inputs that add coverage survive.
  merged=$work/$name/merged
  rm -rf "$merged" && mkdir -p "$merged"
  if "$binary" -merge=1 -max_len="$max_len" -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048 $(flags_of "$name") \
    "$merged" "$corpus" "$fresh" "$seeds" >"$work/$name/merge.log" 2>&1; then
    find "$corpus" -type f -delete
    cp "$merged"/* "$corpus"/ 2>/dev/null || true
    echo "   corpus: $(find "$corpus" -type f | wc -l) files, $(find "$corpus" -type f -exec cat {} + | wc -c) bytes"
  else
    failed=1
    echo "   merge failed; corpus left as it was; log: $work/$name/merge.log"
  fi
done
exit $failed
