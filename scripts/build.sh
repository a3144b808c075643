#!/usr/bin/env bash
# Configures and builds the project in build/ (or $PROJCONV_BUILD_DIR).
# Extra arguments go to cmake's configure step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PROJCONV_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
cmake --build "$build" -j "${PROJCONV_JOBS:-2}" -- --no-print-directory
