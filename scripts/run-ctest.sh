#!/usr/bin/env bash
# Runs CTest in the current build folder under Xvfb (the 3D view's tests need an X server).
# CI keeps only the end of a long log, where a failed test's own output is far above: on
# failure, that output is printed again at the end.
# VTQ_TEST_TIMEOUT: the seconds after which a test counts as hung (900 by default).
set -euo pipefail
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
xvfb-run -a -s "-screen 0 1280x800x24" \
  ctest --output-on-failure --parallel "$(nproc)" --timeout "${VTQ_TEST_TIMEOUT:-900}" "$@" 2>&1 | tee "$log" || status=$?
if [ "$status" -ne 0 ]; then
  echo
  echo "==== Output of the failed tests ===="
  awk '
    /^ *Start +[0-9]+:/ || /^ *[0-9]+\/[0-9]+ Test +#/ { keep = 0 }
    /^ *[0-9]+\/[0-9]+ Test +#/ && !/ Passed +[0-9.]+ sec/ { keep = 1 }
    keep { print }
  ' "$log" | tail -n 400
  echo "==== CTest failed with exit code $status ===="
fi
exit "$status"
