#!/usr/bin/env bash
# Whole-run benchmark: converts three sequences with projconv-batch, on one
# core and on two, beside the I/O floor (a program that only reads each input
# and writes an output of the converted size), and prints images per second,
# the ratio of each run's wall time to the floor's, the scaling from one core
# to two and the peak resident memory.
#
# Inputs and outputs live on tmpfs (/dev/shm), so the page cache is warm and
# no disk is timed. Runs of the floor and of the converter alternate, and each
# figure is the median of several, since other work on the machine comes and
# goes.
#
# Environment: PROJCONV_BENCH_DIR (build folder, default build-bench/),
# PROJCONV_BENCH_DATA (default /dev/shm/projconv-bench), PROJCONV_BENCH_REPS
# (runs of each, default 5), PROJCONV_BENCH_ONLY (e.g. "B" or "A C"),
# PROJCONV_KERNELS=avx2 to time an AVX-512 machine as one without it, and
# PROJCONV_BENCH_FRESH=1 to delete the outputs before every timed run. Without
# it each run writes over the outputs of the run before, as a rerun does;
# with it every run writes new files, as a first conversion does.
# The sequences are kept for later runs; remove the data folder when done.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PROJCONV_BENCH_DIR:-$root/build-bench}
data=${PROJCONV_BENCH_DATA:-/dev/shm/projconv-bench}
reps=${PROJCONV_BENCH_REPS:-5}
only=${PROJCONV_BENCH_ONLY:-A B Bf C}
fresh=${PROJCONV_BENCH_FRESH:-0}

"$root/scripts/setup.sh" bench
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPROJCONV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "${PROJCONV_JOBS:-2}" \
  --target projconv-batch make_sequence io_floor run_measured -- --no-print-directory >/dev/null

batch=$build/cli/projconv-batch
measure=$build/bench/run_measured
floor=$build/bench/io_floor

echo "Generating the input sequences in $data (kept for later runs) ..."
mkdir -p "$data"
"$build/bench/make_sequence" "$data/in-2048" 2048 2048 200
"$build/bench/make_sequence" "$data/in-1024" 1024 1024 100
# Open-beam and dark frames for the corrected run of B.
"$build/bench/make_sequence" "$data/flat-2048" 2048 2048 20
"$build/bench/make_sequence" "$data/dark-2048" 2048 2048 10

# The peer, when Debian's python3-opencv is installed: timed in the same run.
# Otherwise the peer's figures quoted from an earlier measurement stand in.
peer_script=$root/bench/peer_opencv.py
have_peer=0
if /usr/bin/python3 -c 'import cv2' 2>/dev/null; then have_peer=1; fi

# name | inputs | count | in size | out size | crop | centre | angle | the peer's images/s
# (- for none) | more options. Bf is B corrected by 20 flats and 10 darks.
workloads=(
  "A|in-2048|200|2048x2048|1536x1536|256,256,1792,1792|1024,1024|0|210|"
  "B|in-2048|200|2048x2048|1024x1024|0,0,2048,2048|1024,1024|3.7|100|"
  "Bf|in-2048|200|2048x2048|1024x1024|0,0,2048,2048|1024,1024|3.7|-|--flat $data/flat-2048/raw.%04i --dark $data/dark-2048/raw.%04i"
  "C|in-1024|100|1024x1024|1600x1600|100,100,900,900|512,512|-12.5|92|"
)

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '\n%-3s %9s %9s %9s  %7s %7s  %7s  %9s %9s  %s\n' \
  "" "floor" "1 core" "2 cores" "1c/flr" "2c/flr" "scaling" "peak RSS" "limit" "images/s; ratios of wall time"
for workload in "${workloads[@]}"; do
  IFS='|' read -r name inputs count insize outsize crop centre angle peer extra <<<"$workload"
  [[ " $only " == *" $name "* ]] || continue
  out="$data/out"
  rm -rf "$out"
  mkdir -p "$out"
  ox=${outsize%x*}; oy=${outsize#*x}; ix=${insize%x*}; iy=${insize#*x}
  outbytes=$((2 * ox * oy))
  args=(--defaults -q --in-folder "$data/$inputs" --out-folder "$out" --in-format 'raw.%04i'
        --out-format 'out.%04i' --start 0 --header-len 0 --type int16 --byte-order little --signed
        --in-size "$insize" --out-size "$outsize" --crop "$crop" --centre "$centre" --angle "$angle")
  # shellcheck disable=SC2206 # the extra options are words without blanks
  [[ -z $extra ]] || args+=($extra)
  # Warm up page cache, buffers and outputs once, untimed.
  "$floor" "$data/$inputs" "$out" "$count" "$outbytes"
  "$batch" "${args[@]}" 2>/dev/null || true

  peer_args=("$data/$inputs" "$out" "$count" "$insize" "$outsize" "$crop" "$centre" "$angle" 2)
  peer_here=$have_peer
  [[ $peer != - ]] || peer_here=0
  floor_t=(); one_t=(); two_t=(); rss=(); peer_t=()
  clear() { if [[ $fresh == 1 ]]; then rm -rf "$out" && mkdir -p "$out"; fi; }
  for ((r = 0; r < reps; r++)); do
    clear
    read -r t _ code < <("$measure" "$floor" "$data/$inputs" "$out" "$count" "$outbytes")
    [[ $code == 0 ]] || { echo "io_floor failed ($code)" >&2; exit 1; }
    floor_t+=("$t")
    clear
    read -r t m code < <("$measure" taskset -c 0 "$batch" "${args[@]}")
    [[ $code == 0 ]] || { echo "projconv-batch failed ($code)" >&2; exit 1; }
    one_t+=("$t"); rss+=("$m")
    clear
    read -r t m code < <("$measure" "$batch" "${args[@]}")
    [[ $code == 0 ]] || { echo "projconv-batch failed ($code)" >&2; exit 1; }
    two_t+=("$t"); rss+=("$m")
    if ((peer_here)); then
      clear
      read -r t _ code < <("$measure" /usr/bin/python3 "$peer_script" "${peer_args[@]}")
      [[ $code == 0 ]] || { echo "the OpenCV peer failed ($code)" >&2; exit 1; }
      peer_t+=("$t")
    fi
  done
  if [[ $peer == - ]]; then
    peer_kind="none"
  elif ((peer_here)); then
    peer=$(awk -v c="$count" -v t="$(printf '%s\n' "${peer_t[@]}" | median)" \
      'BEGIN { printf "%.1f", c / t }')
    peer_kind="measured"
  else
    peer_kind="quoted"
  fi
  f=$(printf '%s\n' "${floor_t[@]}" | median)
  o=$(printf '%s\n' "${one_t[@]}" | median)
  w=$(printf '%s\n' "${two_t[@]}" | median)
  # Other work on the machine slows whole rounds, so each ratio is the median
  # of the ratios within a round rather than the ratio of two medians.
  ratio() {
    local -n top=$1 bottom=$2
    for ((r = 0; r < reps; r++)); do awk -v a="${top[r]}" -v b="${bottom[r]}" 'BEGIN { print a / b }'; done | median
  }
  of=$(ratio one_t floor_t)
  wf=$(ratio two_t floor_t)
  if [[ $peer == - ]]; then
    wp=0
  elif ((peer_here)); then
    wp=$(ratio two_t peer_t)
  else
    wp=$(awk -v c="$count" -v w="$w" -v p="$peer" 'BEGIN { print w * p / c }')
  fi
  peak=$(printf '%s\n' "${rss[@]}" | sort -n | tail -1)
  # The three buffers as obtained for the batch (no header), plus 32 MiB.
  limit=$(((10 * ix * iy + 20 * ix * iy + outbytes) / 1024 + 32 * 1024))
  # A corrected run holds the combined flats and darks besides: two doubles
  # a sample.
  [[ -z $extra ]] || limit=$((limit + 16 * ix * iy / 1024))
  awk -v n="$name" -v c="$count" -v f="$f" -v o="$o" -v w="$w" -v p="$peak" -v l="$limit" \
      -v of="$of" -v wf="$wf" -v wp="$wp" -v peer="$peer" -v kind="$peer_kind" 'BEGIN {
    printf "%-3s %9.1f %9.1f %9.1f  %6.2fx %6.2fx  %6.2fx  %6.1fMiB %6.1fMiB",
      n, c / f, c / o, c / w, of, wf, o / w, p / 1024, l / 1024
    if (kind == "none") printf "  no peer\n"
    else printf "  peer (%s) %s/s: 2 cores take %.2fx its time\n", kind, peer, wp }'
done
echo
echo "Kernels: ${PROJCONV_KERNELS:-the widest this processor runs}; outputs $( ((fresh)) && echo "new in every run" || echo "written over, as in a rerun")."
echo "Targets: 2 cores take at most 1.0x the floor's time on A and 2.0x on B and C, and at"
echo "most 0.67x the peer's; from 1 core to 2 at least 1.7x on B and C; peak RSS within the limit."
