#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, only those that are missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl1-mesa-dev
  liblua5.4-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  tshark  # decodes the DoIP captures of the end-to-end test independently
  desktop-file-utils shared-mime-info  # check the menu entry and file types an install gives
  clang libclang-rt-dev llvm  # sanitizer build and fuzz targets: compiler, sanitizer and libFuzzer runtimes, symbolizer
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
# tshark asks whether others may capture; the non-interactive answer (no) is what we want.
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
