#!/usr/bin/env bash
# Installs what is missing, builds and starts Vantorquelle.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" -DVTQ_BUILD_TESTS=OFF
exec "$root/build/src/app/vantorquelle" "$@"
