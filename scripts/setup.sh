#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with. Idempotent and
# silent when everything is already there; needs root (or sudo) only to install.
# With "bench", also what the benchmarks compare and profile with: the OpenCV
# peer and perf.
set -euo pipefail

packages=(
  g++ make cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang clang-format clang-tidy libclang-rt-14-dev
  xvfb xauth x11-apps valgrind
  libtiff-dev libhdf5-dev nlohmann-json3-dev python3-numpy python3-tifffile python3-h5py
  pybind11-dev python3-dev python3-pytest
  imagej python3-vtk9
  slurm-wlm munge
  help2man desktop-file-utils appstream dpkg-dev bash-completion file
)
if [[ "${1:-}" == bench ]]; then packages+=(python3-opencv linux-perf); fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "setup: installing ${missing[*]}" >&2
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
if ! $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
  # A fresh machine may have stale package lists: refresh once and try again.
  if ! { $sudo apt-get update -q && $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "setup: apt-get failed" >&2
    exit 1
  fi
fi
rm -f "$log"
