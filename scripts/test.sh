#!/usr/bin/env bash
# Sets the machine up, builds, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${PROJCONV_BUILD_DIR:-$root/build}" --output-on-failure -j 2
