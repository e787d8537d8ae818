#!/usr/bin/env bash
# Fuzzes one reader for a given time: scripts/fuzz.sh <target> <seconds> [libFuzzer options...]
# Targets: netlist footprint placement projectfile stl step stepscan trackruns. Builds the targets with clang, libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/, starts from the seed corpus
# in fuzz/corpus/<target>/ and keeps what it learns in build-fuzz/corpus/<target>/. Inputs that
# crash or hang land in build-fuzz/artifacts/<target>/: mend the fault, then copy the input into
# tests/data/fuzz-regressions/<target>/, which the test suite replays.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 <netlist|footprint|placement|projectfile|stl|step|stepscan|trackruns> <seconds> [libFuzzer options...]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
jobs=${VTQ_FUZZ_BUILD_JOBS:-3}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVTQ_BUILD_TESTS=OFF -DVTQ_BUILD_FUZZ=ON >/dev/null
cmake --build "$build" --parallel "$jobs" --target "fuzz_$target"

corpus="$build/corpus/$target"
artifacts="$build/artifacts/$target"
mkdir -p "$corpus" "$artifacts"
export ASAN_OPTIONS="detect_leaks=0:halt_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cd "$build"
# OpenCASCADE prints to standard output; only libFuzzer's own lines on standard error matter.
exec "$build/fuzz/fuzz_$target" "$corpus" "$root/fuzz/corpus/$target" \
  -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -max_len=65536 \
  -artifact_prefix="$artifacts/" -print_final_stats=1 -close_fd_mask=1 "$@"
