#!/usr/bin/env bash
# Configures and builds into build/ (RelWithDebInfo), after installing what is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$root/build" --parallel "$(nproc)"
