#!/usr/bin/env bash
# Refreshes both translation catalogues from the texts in the sources: new texts are added as
# unfinished, texts no longer in the code are dropped. Translate the unfinished ones afterwards
# (French: every text; US English: the two forms of each "%n" text only).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
"$lupdate" "$root/src" \
  -ts "$root/resources/i18n/Vantorquelle_fr_FR.ts" "$root/resources/i18n/Vantorquelle_en_US.ts" \
  -no-obsolete -locations none "$@"
