#!/usr/bin/env bash
# Checks that the src/ libraries form layers: a library includes and links only libraries
# below it in the order here, so no library can reach itself through others.
# Usage: check-layers.sh [source root]   (default: src/ of this repository)
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}

layers=(foundation model view routing project components interaction outputs app)

rank_of() {
  local i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo -1
}

status=0
for dir in "$root"/*/; do
  lib=$(basename "$dir")
  own=$(rank_of "$lib")
  if [ "$own" -lt 0 ]; then
    echo "check-layers: src/$lib is not in the layer order of scripts/check-layers.sh"
    status=1
    continue
  fi
  # Includes of our own headers: "other/header.h".
  while IFS=: read -r file line text; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$text")
    [ "$target" = "$text" ] && continue
    other=$(rank_of "$target")
    if [ "$other" -gt "$own" ]; then
      echo "check-layers: ${file#"$root"/}:$line: $lib includes $target, which lies above it"
      status=1
    fi
  done < <(grep -rn -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$dir" \
             --include='*.h' --include='*.cpp' --include='*.hpp' || true)
  # Link dependencies named in the library's CMakeLists.txt.
  if [ -f "$dir/CMakeLists.txt" ]; then
    for dep in $(grep -o -E '\bvtq_[a-z]+\b' "$dir/CMakeLists.txt" | sort -u); do
      name=${dep#vtq_}
      [ "$name" = "$lib" ] && continue
      other=$(rank_of "$name")
      [ "$other" -lt 0 ] && continue
      if [ "$other" -gt "$own" ]; then
        echo "check-layers: src/$lib/CMakeLists.txt: $lib links $dep, which lies above it"
        status=1
      fi
    done
  fi
done

[ $status -eq 0 ] && echo "check-layers: ${#layers[@]} layers, every include and link points down"
exit $status
