#!/usr/bin/env bash
# Sets the machine up, builds, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
# Warnings are errors here, as in CI; PROJCONV_WERROR=OFF builds with a
# compiler that warns where g++ 12 does not.
export PROJCONV_WERROR=${PROJCONV_WERROR:-ON}
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${PROJCONV_BUILD_DIR:-$root/build}" --output-on-failure -j 2
