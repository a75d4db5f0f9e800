#!/usr/bin/env bash
# Builds the project with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
ORVANTA_WERROR=ON ./scripts/setup.sh
# Every tracked source stands as clang-format writes it.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
  # Commit subjects within 72 characters, from the commit that made it a rule.
  if git cat-file -e 122df31^{commit} 2>/dev/null; then
    lang=$(git log --format=%s 122df31..HEAD | LC_ALL=C.UTF-8 bash -c \
      'while IFS= read -r s; do [ "${#s}" -le 72 ] || echo "$s"; done')
    if [ -n "$lang" ]; then
      echo "Commit-Betreffzeilen über 72 Zeichen:" >&2
      echo "$lang" >&2
      exit 1
    fi
  fi
else
  echo "Kein Git-Arbeitsverzeichnis: die Formatierung wird nicht geprüft." >&2
fi
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2
