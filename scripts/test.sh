#!/usr/bin/env bash
# Builds the project with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
ORVANTA_WERROR=ON ./scripts/setup.sh
# Every tracked source stands as clang-format writes it.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
else
  echo "Kein Git-Arbeitsverzeichnis: die Formatierung wird nicht geprüft." >&2
fi
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2
