#!/usr/bin/env bash
# Run by ctest (tests/package/CMakeLists.txt sets the PACKAGE_* variables):
# installs the build into a scratch prefix, builds consumer/ against the
# installed package, and converts the sample sequence, rotated, cropped and
# halved, with the consumer and with projconv-batch: the outputs must be the
# same files, byte for byte. The scratch folder is kept when a check fails.
set -euo pipefail
work=$PACKAGE_WORK
prefix=$work/prefix

fail() {
  echo "package: $*" >&2
  exit 1
}
# Runs a step with its output in $work/<name>.log, shown only when it fails.
step() {
  local name=$1
  shift
  "$@" >"$work/$name.log" 2>&1 || { cat "$work/$name.log" >&2; fail "$name failed; see $work"; }
}

rm -rf "$work"
mkdir -p "$work"

step install "$PACKAGE_CMAKE" --install "$PACKAGE_BUILD" --prefix "$prefix"
for file in bin/projconv bin/projconv-batch include/projconv/engine/projection_job.h \
  "$PACKAGE_LIBDIR/cmake/projconv/projconvConfig.cmake"; do
  [[ -e "$prefix/$file" ]] || fail "the install lacks $file"
done
[[ ! -e "$prefix/include/projconv/engine/internal" ]] || fail "the engine's internal headers were installed"

step configure "$PACKAGE_CMAKE" -S "$PACKAGE_CONSUMER" -B "$work/consumer" -G "$PACKAGE_GENERATOR" \
  -DCMAKE_PREFIX_PATH="$prefix" -Dprojconv_wanted_version="$PACKAGE_VERSION" \
  -DCMAKE_CXX_COMPILER="$PACKAGE_CXX" -DCMAKE_BUILD_TYPE="$PACKAGE_BUILD_TYPE" \
  -DCMAKE_CXX_FLAGS="$PACKAGE_CXX_FLAGS" -DCMAKE_EXE_LINKER_FLAGS="$PACKAGE_LINKER_FLAGS"
# Not some other installation the search happened upon.
grep -qx "projconv_DIR:PATH=$prefix/$PACKAGE_LIBDIR/cmake/projconv" "$work/consumer/CMakeCache.txt" ||
  fail "the consumer did not find the package in $prefix"
step build "$PACKAGE_CMAKE" --build "$work/consumer"

data=$work/data
"$PACKAGE_SAMPLE" "$data" >/dev/null
mkdir "$work/by-consumer" "$work/by-batch"
# The sample's own geometry: its 2.5 degree roll turned back about the centre,
# the middle 384 x 384 samples halved.
header=256 in_w=512 in_h=512 out_w=192 out_h=192
left=64 top=64 right=448 bottom=448 centre_x=256 centre_y=256 angle=2.5
step consumer "$work/consumer/convert" "$data" "$work/by-consumer" raw.%04i conv.%04i \
  $header $in_w $in_h $out_w $out_h $left $top $right $bottom $centre_x $centre_y $angle
step batch "$PACKAGE_BATCH" --defaults -q --in-folder "$data" --out-folder "$work/by-batch" \
  --in-format raw.%04i --out-format conv.%04i --start 0 --type int16 --byte-order little \
  --signed --scale 1 --header-len $header --in-size ${in_w}x$in_h --out-size ${out_w}x$out_h \
  --crop $left,$top,$right,$bottom --centre $centre_x,$centre_y --angle $angle

inputs=$(find "$data" -maxdepth 1 -name 'raw.*' | wc -l)
written=$(find "$work/by-consumer" -type f | wc -l)
[[ $written -eq $inputs && $inputs -gt 0 ]] || fail "the consumer wrote $written files for $inputs inputs"
diff <(cd "$work/by-consumer" && ls) <(cd "$work/by-batch" && ls) >&2 ||
  fail "the consumer and projconv-batch wrote different files"
for file in "$work/by-consumer"/*; do
  cmp "$file" "$work/by-batch/${file##*/}" >&2 || fail "${file##*/} differs"
done
echo "package: the installed engine converted $written images as projconv-batch does"
rm -rf "$work"
