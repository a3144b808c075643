#!/usr/bin/env bash
# Configures and builds the project in build/ (or $PROJCONV_BUILD_DIR).
# Arguments name the targets to build (all of them when none is given).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PROJCONV_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}" \
  -DPROJCONV_WERROR="${PROJCONV_WERROR:-OFF}" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build" -j "${PROJCONV_JOBS:-2}" "${targets[@]}" -- --no-print-directory
