#!/usr/bin/env bash
# Builds the Debian packages: a Release build of the programs, the engine and
# what installs with them in build-package/ (or $PROJCONV_PACKAGE_DIR), then
# CPack's DEB generator (cmake/Packaging.cmake). Prints the path of each .deb
# it made, one per line, on standard output; the build's own output goes to
# standard error.
#
#   sudo apt-get install ./build-package/packages/projconv_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PROJCONV_PACKAGE_DIR:-$root/build-package}
mkdir -p "$build"

# Two runs at once (two test runs on one machine) would build over each other
# and pack each other's half-made files: the second waits for the first.
exec 9>"$build/.package.lock"
flock 9

# Installed under /usr, where Debian packages put things; GNUInstallDirs then
# picks the multiarch library folder. The options are fixed, not taken from
# the environment, so that every run (the test runs of each build among them)
# reuses the one build instead of rebuilding it for other flags; warnings are
# made errors by the other builds.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DPROJCONV_BUILD_TESTS=OFF -DPROJCONV_BUILD_BENCH=OFF -DPROJCONV_WERROR=OFF >&2
cmake --build "$build" -j "${PROJCONV_JOBS:-2}" -- --no-print-directory >&2

# Packages of an earlier version must not be taken for this one's.
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB) >&2
find "$build/packages" -maxdepth 1 -name '*.deb' | sort
