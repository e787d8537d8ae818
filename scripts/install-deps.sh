#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the benchmarks need.
# Skips apt entirely when every package is already there, so a second run is instant.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache lld clang libclang-rt-14-dev
  qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libxkbcommon-dev
  libocct-foundation-dev libocct-modeling-data-dev libocct-modeling-algorithms-dev
  libocct-data-exchange-dev libocct-ocaf-dev libocct-visualization-dev
  libtbb-dev libfontconfig-dev fonts-dejavu-core
  libgtest-dev libbenchmark-dev xvfb xauth libgl1-mesa-dri kicad-footprints
  prusa-slicer python3 libpolyclipping-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
