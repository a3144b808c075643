#!/usr/bin/env bash
# Fuzzes the conversion engine. Builds tests/fuzz on its own (engine only, no
# Qt) into build-fuzz/ (or $PROJCONV_FUZZ_DIR) with clang, libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs the fuzzer from the
# seed corpus in tests/fuzz/corpus/.
#
#   scripts/fuzz.sh                          60 s from seed 1: the run CI makes
#   FUZZ_SECONDS=3600 FUZZ_SEED=0 scripts/fuzz.sh    an hour, a fresh seed each time
#   scripts/fuzz.sh -jobs=2 -workers=2       further arguments go to libFuzzer
#
# Inputs that found new paths collect in build-fuzz/corpus/ and are used again
# by the next run; an input that breaks a guarantee is saved in
# build-fuzz/artifacts/ and replays with build-fuzz/projconv_fuzzer FILE.
# Without clang the same cases run under build-fuzz/fuzz_replay, a blind
# mutator built with g++ and the same sanitizers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PROJCONV_FUZZ_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
seed=${FUZZ_SEED:-1}
seeds="$root/tests/fuzz/corpus"

"$root/scripts/setup.sh"

sanitizers="address,undefined"
compiler=g++
if command -v clang++ >/dev/null; then
  compiler=clang++
  sanitizers="fuzzer-no-link,$sanitizers"
fi
cmake -S "$root/tests/fuzz" -B "$build" -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE= \
  -DCMAKE_CXX_FLAGS="-O1 -g -fsanitize=$sanitizers -fno-sanitize-recover=all -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" -j "${PROJCONV_JOBS:-2}" -- --no-print-directory

mkdir -p "$build/corpus" "$build/artifacts"
export ASAN_OPTIONS="allocator_may_return_null=1:detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
log="$build/fuzz.log"

if [[ -x "$build/projconv_fuzzer" ]]; then
  # -rss_limit_mb: a case never needs more than a few megabytes; -timeout: nor
  # more than a fraction of a second.
  status=0
  "$build/projconv_fuzzer" "$build/corpus" "$seeds" -seed="$seed" \
    -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/" "$@" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [[ $status -ne 0 ]]; then
    tail -n 60 "$log" >&2
    echo "fuzz: FAILED after ${runs:-?} executions; the input is in $build/artifacts/" >&2
    exit "$status"
  fi
  echo "fuzz: ${runs:-?} executions in ${seconds} s (seed $seed), no failures; log $log"
else
  status=0
  "$build/fuzz_replay" --seconds "$seconds" --seed "$seed" --save "$build/artifacts/last-input" \
    "$seeds" "$@" >"$log" 2>&1 || status=$?
  if [[ $status -ne 0 ]]; then
    tail -n 60 "$log" >&2
    echo "fuzz: FAILED; the input is $build/artifacts/last-input" >&2
    exit "$status"
  fi
  echo "fuzz: $(tail -n 1 "$log") in ${seconds} s, no failures; log $log"
fi
