#!/usr/bin/env bash
# The layer check must catch what it exists for: an upward include, an upward link, and a
# folder that has no place in the order. A clean tree must pass.
set -uo pipefail
check="$(cd "$(dirname "$0")/.." && pwd)/scripts/check-layers.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0

make_tree() {
  rm -rf "$tmp/src"
  mkdir -p "$tmp/src/foundation" "$tmp/src/model" "$tmp/src/project"
  echo '#include "foundation/log.h"' > "$tmp/src/model/record.h"
  echo '#include "model/record.h"' > "$tmp/src/project/project.cpp"
  echo 'vtq_add_library(vtq_project DEPS vtq_foundation vtq_model)' > "$tmp/src/project/CMakeLists.txt"
}

expect() { # expect <0|1> <what>
  bash "$check" "$tmp/src" >"$tmp/out" 2>&1
  local rc=$?
  if { [ "$1" -eq 0 ] && [ $rc -ne 0 ]; } || { [ "$1" -ne 0 ] && [ $rc -eq 0 ]; }; then
    echo "FAIL: $2 (exit $rc)"; cat "$tmp/out"; fail=1
  else
    echo "ok: $2"
  fi
}

make_tree; expect 0 "a tree whose includes and links point down passes"
make_tree; echo '  #  include "project/project.h"' >> "$tmp/src/model/record.h"
expect 1 "a record including the project above it is refused"
make_tree; echo 'target_link_libraries(vtq_model PUBLIC vtq_project)' > "$tmp/src/model/CMakeLists.txt"
expect 1 "a library linking one above it is refused"
make_tree; mkdir -p "$tmp/src/extras"
expect 1 "a folder outside the layer order is refused"
make_tree; echo '#include <QString>' >> "$tmp/src/foundation/log.h"; echo '#include "log.h"' >> "$tmp/src/foundation/log.h"
expect 0 "system and same-folder includes are not layer edges"

exit $fail
