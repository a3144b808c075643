#!/usr/bin/env bash
# Builds the project, writes the built-in sample sequence afresh into
# build/sample-data/ (or $PROJCONV_BUILD_DIR/sample-data) and converts it with
# projconv-batch. Prints where the converted images are and the converter's
# summary; exits with the converter's status when it fails.
#
# The sample does not go into build/sample/ itself: that is where the build
# keeps the generator's own build files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PROJCONV_BUILD_DIR:-$root/build}

"$root/scripts/setup.sh"
"$root/scripts/build.sh" projconv-sample projconv-batch projconv

generator="$build/sample/projconv-sample"
converter="$build/cli/projconv-batch"
for program in "$generator" "$converter"; do
  if [[ ! -x "$program" ]]; then
    echo "sample: $program was not built" >&2
    exit 1
  fi
done

data="$build/sample-data"
rm -rf "$data"
settings=$("$generator" "$data")
log="$data/convert.log"

status=0
"$converter" --settings "$settings" 2>"$log" || status=$?
if [[ $status -ne 0 ]]; then
  echo "sample: projconv-batch failed (exit status $status):" >&2
  cat "$log" >&2
  exit "$status"
fi

inputs=$(find "$data" -maxdepth 1 -type f -name 'raw.*' | wc -l)
outputs=$(find "$data/out" -maxdepth 1 -type f | wc -l)
echo "sample: settings   $settings"
echo "sample: input      $data/raw.* ($inputs projections, 512 x 512, 256-byte header)"
echo "sample: output     $data/out/ ($outputs files, 192 x 192 16-bit little-endian, no header)"
echo "sample: messages   $log"
echo "sample: summary    $(tail -n 1 "$log")"
