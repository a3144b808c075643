#!/usr/bin/env bash
# Builds the project the two other ways it gets built, warnings as errors, and
# runs every test in each: a Release build with g++ in build-release/ (or
# $PROJCONV_RELEASE_DIR) and a RelWithDebInfo build with clang++ in
# build-clang/ (or $PROJCONV_CLANG_DIR). The everyday build of scripts/test.sh
# is RelWithDebInfo with g++; the conversion must give the same bits whatever
# the optimiser and the compiler make of its arithmetic, and both compilers
# have warnings and language gaps of their own.
#
# The benchmarks are left out: scripts/test.sh builds them warning-free, and
# bench/run.sh builds its own Release copy without making warnings errors.
# Arguments are passed to ctest (for example -R engine to run some suites).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen

# NAME COMPILER BUILD_TYPE BUILD_DIR [ctest arguments]
build_and_test() {
  local name=$1 compiler=$2 type=$3 build=$4
  shift 4
  local start=$SECONDS
  cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE="$type" \
    -DPROJCONV_WERROR="${PROJCONV_WERROR:-ON}" -DPROJCONV_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build" -j "${PROJCONV_JOBS:-2}" -- --no-print-directory
  ctest --test-dir "$build" --output-on-failure -j 2 "$@"
  echo "compilers: $name built and tested in $((SECONDS - start)) s"
}

build_and_test "g++ Release" g++ Release "${PROJCONV_RELEASE_DIR:-$root/build-release}" "$@"
build_and_test "clang++ RelWithDebInfo" clang++ RelWithDebInfo "${PROJCONV_CLANG_DIR:-$root/build-clang}" "$@"
