#!/usr/bin/env bash
# Brings the translators' files (src/ui/translations/*.ts) up to date with the texts of the
# desktop program's sources. New texts come in unfinished; a translator fills them in with
# Qt Linguist (or any editor) and the build makes the .qm files. A new language: copy
# mirelk_en.ts to mirelk_<locale>.ts, set its language attribute, translate it, and add it to
# src/ui/CMakeLists.txt and to AvailableLanguages() in src/ui/language.cpp.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
for ts in src/ui/translations/mirelk_*.ts; do
  "$lupdate" -silent -locations none -no-obsolete -tr-function-alias translate+=Tr src/ui -ts "$ts"
done
