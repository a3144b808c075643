#!/usr/bin/env bash
# Run by ctest: makes the Debian packages with scripts/package.sh (a Release
# build of its own, reused from one run to the next) and checks what they hold
# as a user's machine would get it: the programs, manual pages, desktop entry,
# metainfo, icons, completion and the engine's CMake package in the right
# folders, the desktop entry and metainfo valid, and the packaged
# projconv-batch running as the version the packages carry.
#   deb_test.sh SOURCE_ROOT WORK
set -euo pipefail
root=$1 work=$2
status=0
fail() {
  echo "deb: $*" >&2
  status=1
}

rm -rf "$work"
mkdir -p "$work"
debs=$("$root/scripts/package.sh" 2>"$work/package.log") || {
  tail -n 40 "$work/package.log" >&2
  echo "deb: scripts/package.sh failed; see $work/package.log" >&2
  exit 1
}
deb_named() { grep -E "/$1_[^/]*\.deb$" <<<"$debs" || true; }
runtime=$(deb_named projconv)
development=$(deb_named libprojconv-dev)
[[ -f $runtime && -f $development ]] || { echo "deb: made \"$debs\", not projconv and libprojconv-dev" >&2; exit 1; }

version=$(dpkg-deb -f "$runtime" Version)
# Each package's files, relative to the root; every path must be in one.
contents() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|^\./|/|'; }
expect() {
  local deb=$1
  shift
  local listing
  listing=$(contents "$deb")
  for path in "$@"; do
    grep -qxF -- "$path" <<<"$listing" || fail "$(basename "$deb") lacks $path"
  done
}
expect "$runtime" /usr/bin/projconv /usr/bin/projconv-batch \
  /usr/share/man/man1/projconv.1.gz /usr/share/man/man1/projconv-batch.1.gz \
  /usr/share/applications/projconv.desktop \
  /usr/share/bash-completion/completions/projconv-batch \
  /usr/share/icons/hicolor/scalable/apps/projconv.svg
for size in 16 22 24 32 48 64 128 256; do
  expect "$runtime" "/usr/share/icons/hicolor/${size}x$size/apps/projconv.png"
done
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
expect "$development" "/usr/lib/$multiarch/libprojconv_engine.a" \
  /usr/include/projconv/engine/projection_job.h \
  "/usr/lib/$multiarch/cmake/projconv/projconvConfig.cmake" \
  "/usr/lib/$multiarch/cmake/projconv/projconvConfigVersion.cmake"
! contents "$development" | grep -q '/engine/internal' || fail "libprojconv-dev holds the engine's internal headers"
! contents "$runtime" | grep -qE '^/usr/(include|lib)/' || fail "projconv holds development files"
# The libraries the programs link, found by dpkg-shlibdeps.
dpkg-deb -f "$runtime" Depends | grep -q 'libqt6widgets6' || fail "projconv does not depend on Qt Widgets"
python=$(deb_named python3-projconv)
if [[ -n $python ]]; then
  contents "$python" | grep -qE '^/usr/lib/python3/dist-packages/.*\.so$' || fail "python3-projconv holds no module"
fi

tree=$work/tree
dpkg-deb -x "$runtime" "$tree"

desktop=$tree/usr/share/applications/projconv.desktop
# Hints (such as an entry in two main categories, which is meant) pass;
# warnings and errors do not.
if ! out=$(desktop-file-validate "$desktop" 2>&1) || grep -qE ': (error|warning):' <<<"$out"; then
  fail "desktop-file-validate: $out"
fi
metainfos=("$tree"/usr/share/metainfo/*.metainfo.xml)
if [[ ${#metainfos[@]} -ne 1 || ! -f ${metainfos[0]} ]]; then
  fail "projconv holds ${#metainfos[@]} metainfo files, not one"
else
  metainfo=${metainfos[0]}
  out=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
  # The file is named by its component id, and names the desktop entry and the release.
  id=$(sed -n 's|.*<id>\(.*\)</id>.*|\1|p' "$metainfo")
  [[ $(basename "$metainfo") == "$id.metainfo.xml" ]] || fail "$(basename "$metainfo") is not named by its id $id"
  grep -q '<launchable type="desktop-id">projconv.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not launch projconv.desktop"
  grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
  grep -q '<screenshot' "$metainfo" || fail "the metainfo has no screenshot"
fi
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f $tree/usr/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "the desktop entry's icon $icon is not installed"
# Each PNG is as large as the folder it is in says (width and height from
# the PNG header, bytes 16 to 23).
for png in "$tree"/usr/share/icons/hicolor/*x*/apps/"$icon".png; do
  folder=$(basename "$(dirname "$(dirname "$png")")")
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [[ ${w}x$h == "$folder" ]] || fail "$png is ${w}x$h"
done
for page in projconv projconv-batch; do
  gzip -t "$tree/usr/share/man/man1/$page.1.gz" || fail "$page.1.gz is not whole"
  title=$(zcat "$tree/usr/share/man/man1/$page.1.gz" | sed -n 's/\\-/-/g; /^\.TH /p')
  grep -qiE "^\.TH \"?$page\"? \"?1" <<<"$title" || fail "$page.1.gz has no title line of section 1"
done
bash -n "$tree/usr/share/bash-completion/completions/projconv-batch" || fail "the completion is not valid bash"

# The packaged program itself, stripped and with its install-time RPATH.
printed=$("$tree/usr/bin/projconv-batch" --version) || fail "the packaged projconv-batch does not run"
[[ $printed == "projconv-batch $version" ]] || fail "the packaged projconv-batch says \"$printed\", not version $version"

if [[ $status -eq 0 ]]; then
  echo "deb: $(wc -l <<<"$debs") packages of version $version hold what they should"
  rm -rf "$work"
fi
exit $status
