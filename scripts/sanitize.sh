#!/usr/bin/env bash
# Builds the test suite with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/
# and runs it like scripts/test.sh. Any sanitizer report fails the run: UBSan findings abort,
# ASan errors abort, and leaks fail the test that made them. Leaks that belong to the system
# libraries (OpenCASCADE, Qt, fontconfig, Mesa/GL, X) are suppressed by library name in
# scripts/sanitizers/lsan.supp; ours are not. The suite includes a whole session of the real
# program, ended by File › Quit (test_app_session's RealProgramEndsCleanlyAfterAWholeSession):
# the child program inherits these options, and any report of theirs fails that test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-asan"
bash "$root/scripts/install-deps.sh"

# -O1 and line tables only: the sanitizers' usual trade-off, and a much cheaper build than
# full debug information, with file and line in every report.
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
  -DVTQ_BUILD_TESTS=ON -DVTQ_SANITIZE=ON "$@"
cmake --build "$build" --parallel "$(nproc)"

supp="$root/scripts/sanitizers"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=0:strict_init_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.supp"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
cd "$build"
# LeakSanitizer's own tracer now and then dies with a signal after a test has passed, which fails
# that test without any report. clang 14's tracer reads the thread-local blocks it noted for a GL
# driver that was unloaded and loaded again (a test that closes one view's display connection
# and opens another): run sixteen at a time, one window test lost a quarter of its runs so, and
# in a full run it did so three times in a row once. A failed test runs up to five more times: a
# real report comes back every time and still fails the run.
# The sanitizers make the heaviest tests (real designs exported and sliced) run ten to twenty
# times longer, more on a busy machine: a hang is told from them only well past the usual limit.
VTQ_TEST_TIMEOUT=2400 bash "$root/scripts/run-ctest.sh" --repeat until-pass:6
