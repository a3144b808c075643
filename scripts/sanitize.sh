#!/usr/bin/env bash
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ (or $PROJCONV_ASAN_DIR) and runs every test under them, the
# offscreen dialog tests included. Any report fails the run: nothing recovers.
#
# Arguments are passed to ctest (for example -R engine to run some suites).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PROJCONV_ASAN_DIR:-$root/build-asan}

"$root/scripts/setup.sh"

# -O1 keeps the instrumented tests quick while the reports still point at the
# right lines; _GLIBCXX_ASSERTIONS adds bounds checks to the standard containers.
flags="-O1 -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
flags+=" -D_GLIBCXX_ASSERTIONS"
# GCC's flow-based guesses (truncated snprintf output, uninitialised values,
# the latter also inside the AVX-512 intrinsics' own headers) follow the
# optimiser's view of the code, which the instrumentation changes; here they
# stay warnings, and the ordinary build keeps them errors.
flags+=" -Wno-error=format-truncation -Wno-error=uninitialized -Wno-error=maybe-uninitialized"
# No Python module: an instrumented module cannot be loaded into Debian's
# uninstrumented interpreter, as the sanitizer's runtime must come first.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DPROJCONV_WERROR="${PROJCONV_WERROR:-ON}" \
  -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DPROJCONV_BUILD_BENCH=OFF -DPROJCONV_BUILD_PYTHON=OFF >/dev/null
cmake --build "$build" -j "${PROJCONV_JOBS:-2}" -- --no-print-directory

# allocator_may_return_null: some tests ask for buffers no machine can give and
# expect the ordinary refusal, not a sanitizer abort. Leaks are reported, with
# no suppressions: the toolkit leaves none behind in these tests.
export ASAN_OPTIONS="allocator_may_return_null=1:detect_leaks=1:abort_on_error=0:strict_string_checks=1:check_initialization_order=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j 2 --timeout 600 "$@"
