#!/usr/bin/env bash
# What the containers cost beside raw output: workloads A and B of
# bench/whole_run.sh converted on two cores into raw files, TIFF files, a TIFF
# stack and an HDF5 file, runs alternating. Prints the median images per
# second, and the median over the rounds of each container's wall time over
# the raw run of the same round: other work on a shared machine comes and
# goes, and a round's runs follow each other within seconds.
#
# Environment as for bench/whole_run.sh: PROJCONV_BENCH_DIR, PROJCONV_BENCH_DATA,
# PROJCONV_BENCH_REPS (default 5). Inputs and outputs live on tmpfs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PROJCONV_BENCH_DIR:-$root/build-bench}
data=${PROJCONV_BENCH_DATA:-/dev/shm/projconv-bench}
reps=${PROJCONV_BENCH_REPS:-5}

"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPROJCONV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "${PROJCONV_JOBS:-2}" \
  --target projconv-batch make_sequence run_measured -- --no-print-directory >/dev/null
batch=$build/cli/projconv-batch
measure=$build/bench/run_measured

mkdir -p "$data"
"$build/bench/make_sequence" "$data/in-2048" 2048 2048 200

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# name | output size | crop | angle
workloads=("A|1536x1536|256,256,1792,1792|0" "B|1024x1024|0,0,2048,2048|3.7")
types=(raw tiff tiff-stack hdf5)
printf '\n%-3s %10s %10s %10s %10s   %s\n' "" "${types[@]}" "images/s; container time / raw time"
for workload in "${workloads[@]}"; do
  IFS='|' read -r name outsize crop angle <<<"$workload"
  out="$data/out"
  declare -A times=() ratios=()
  for ((r = 0; r < reps; r++)); do
    for type in "${types[@]}"; do
      rm -rf "$out" "$data/stack.tif" "$data/images.h5"
      mkdir -p "$out"
      extra=()
      [[ $type == tiff-stack ]] && extra=(--out-file "$data/stack.tif")
      [[ $type == hdf5 ]] && extra=(--out-file "$data/images.h5")
      read -r t _ code < <("$measure" "$batch" --defaults -q --in-folder "$data/in-2048" \
        --out-folder "$out" --in-format 'raw.%04i' --out-format 'out.%04i' --in-size 2048x2048 \
        --out-size "$outsize" --crop "$crop" --centre 1024,1024 --angle "$angle" \
        --out-type "$type" "${extra[@]}")
      [[ $code == 0 ]] || { echo "projconv-batch --out-type $type failed ($code)" >&2; exit 1; }
      times[$type]+="$t "
      [[ $type == raw ]] && raw=$t
      ratios[$type]+="$(awk -v t="$t" -v r="$raw" 'BEGIN { print t / r }') "
    done
  done
  line=$(printf '%-3s' "$name")
  for type in "${types[@]}"; do
    t=$(tr ' ' '\n' <<<"${times[$type]}" | grep . | median)
    ratio=$(tr ' ' '\n' <<<"${ratios[$type]}" | grep . | median)
    line+=$(awk -v t="$t" -v q="$ratio" 'BEGIN { printf " %5.0f %4.2fx", 200 / t, q }')
  done
  echo "$line"
  unset times ratios
done
rm -rf "$data/out" "$data/stack.tif" "$data/images.h5"
echo
echo "Target: TIFF and HDF5 cost at most 10 % more time than raw (1.10x)."
