#!/usr/bin/env bash
# Builds the benchmarks in Release (build-release/) and runs them; never part of CI's pass/fail.
# Extra arguments go to every benchmark binary (for example --benchmark_filter=Stl).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVTQ_BUILD_TESTS=OFF -DVTQ_BUILD_BENCH=ON
cmake --build "$root/build-release" --parallel "$(nproc)"
status=0
# Under Xvfb, so that the benchmarks of the 3D view and the window get a real X display.
for b in "$root"/build-release/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  xvfb-run -a -s "-screen 0 1280x800x24" "$b" "$@" || status=1
done
exit $status
