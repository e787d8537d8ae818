#!/usr/bin/env bash
# The layer check must catch what it exists for: upward includes however they are written,
# upward links wherever they are written, and a folder that has no place in the order. A clean
# tree must pass. The cases are injected into a copy of the real tree (the lowest layer, the
# window's header and every CMake file), so the check meets real code.
set -uo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
check="$repo/scripts/check-layers.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
victim=src/foundation/logging.h

make_tree() {
  rm -rf "$tmp/tree"
  mkdir -p "$tmp/tree/src/app"
  cp "$repo/CMakeLists.txt" "$tmp/tree/"
  cp -r "$repo/cmake" "$tmp/tree/"
  cp -r "$repo/src/foundation" "$tmp/tree/src/"
  cp "$repo/src/CMakeLists.txt" "$tmp/tree/src/"
  cp "$repo/src/app/mainwindow.h" "$repo/src/app/CMakeLists.txt" "$tmp/tree/src/app/"
}

expect() { # expect <0|1> <what> [text the report must hold]
  bash "$check" "$tmp/tree/src" >"$tmp/out" 2>&1
  local rc=$?
  if { [ "$1" -eq 0 ] && [ $rc -ne 0 ]; } || { [ "$1" -ne 0 ] && [ $rc -eq 0 ]; }; then
    echo "FAIL: $2 (exit $rc)"; cat "$tmp/out"; fail=1
  elif [ -n "${3:-}" ] && ! grep -qF -- "$3" "$tmp/out"; then
    echo "FAIL: $2 (the report does not name '$3')"; cat "$tmp/out"; fail=1
  else
    echo "ok: $2"
  fi
}

make_tree; expect 0 "the real lowest layer and the window's header pass"

make_tree; echo '#include "../app/mainwindow.h"' >> "$tmp/tree/$victim"
expect 1 "an include that climbs out of its folder is refused" "foundation includes app/mainwindow.h"

make_tree; echo '#include <app/mainwindow.h>' >> "$tmp/tree/$victim"
expect 1 "an include in angle brackets is refused" "foundation includes app/mainwindow.h"

make_tree; printf '#define UP "app/mainwindow.h"\n#include UP\n' >> "$tmp/tree/$victim"
expect 1 "an include through a macro is refused" "foundation includes app/mainwindow.h"

make_tree; echo 'target_link_libraries(vtq_foundation PUBLIC vtq_app)' >> "$tmp/tree/src/app/CMakeLists.txt"
expect 1 "a link written in another library's folder is refused" "vtq_foundation links vtq_app"

make_tree; printf 'set(UPWARD vtq_app)\ntarget_link_libraries(\n  vtq_foundation\n  PUBLIC ${UPWARD})\n' \
  >> "$tmp/tree/CMakeLists.txt"
expect 1 "a link over several lines through a variable is refused" "vtq_foundation links vtq_app"

make_tree; echo '#include "app/missing_generated.h"' >> "$tmp/tree/$victim"
expect 1 "an include of a header that does not exist yet is judged by its path" "app/missing_generated.h"

make_tree; mkdir -p "$tmp/tree/src/extras"
expect 1 "a folder outside the layer order is refused" "src/extras is not in the layer order"

make_tree; printf '#include <QString>\n#include "logging.h"\n#include "foundation/fileutils.h"\n' >> "$tmp/tree/src/foundation/occguard.h"
expect 0 "system, same-folder and same-layer includes are not layer edges"

exit $fail
