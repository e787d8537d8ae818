#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite headless. Tests that
# create the 3D view need an X server: CTest runs under Xvfb, the others use Qt's
# offscreen platform.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" -DVTQ_BUILD_TESTS=ON
cd "$root/build"
bash "$root/scripts/run-ctest.sh"
