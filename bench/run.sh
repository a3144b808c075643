#!/usr/bin/env bash
# Builds transform_bench in Release and prints the transform's throughput for
# each workload in MB/s of input (the median of a few repetitions): the plain
# reference, and the fast schedule with the widest kernels on 1 and 2
# threads. The build folder is build-bench/ (or $PROJCONV_BENCH_DIR); extra
# arguments go to the benchmark program (--benchmark_filter=. for every
# kernel set).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PROJCONV_BENCH_DIR:-$root/build-bench}

"$root/scripts/setup.sh"
# Tests are not needed here, and leaving them out keeps the build short.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPROJCONV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "${PROJCONV_JOBS:-2}" --target transform_bench -- --no-print-directory

json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$build/bench/transform_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_filter='kernels:[01]/' --benchmark_out="$json" --benchmark_out_format=json "$@"

echo
echo "TransformImage throughput (median of 3, MB/s of input, wall time):"
# One "name" line and one "MB/s" line per result; keep the medians.
awk -F'"' '
  /"name":/ { name = $4 }
  /"MB\/s":/ && name ~ /_median$/ {
    value = $0; sub(/.*: */, "", value); sub(/,$/, "", value)
    sub(/^TransformImage\//, "", name); sub(/\/real_time_median$/, "", name)
    sub(/kernels:0/, "fastest", name); sub(/kernels:1/, "reference", name)
    sub(/kernels:2/, "scalar", name); sub(/kernels:3/, "avx2", name); sub(/kernels:4/, "avx512", name)
    printf "  %-48s %10.1f\n", name, value
  }' "$json"
