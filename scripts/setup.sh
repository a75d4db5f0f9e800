#!/usr/bin/env bash
# Prepares a fresh Debian 12 machine and builds the project: the packages and
# locales (scripts/deps.sh), then CMake with two build jobs: the targets
# named as arguments, or everything.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
# The clone's commits keep the project's subject rule (scripts/hooks).
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git config core.hooksPath scripts/hooks
fi

# ORVANTA_WERROR=ON in the environment (test.sh) makes warnings errors; unset,
# the build folder keeps what it was configured with.
options=()
if [ -n "${ORVANTA_WERROR:-}" ]; then
  options+=("-DORVANTA_WERROR=$ORVANTA_WERROR")
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
# Targets given (the program for run.sh): only those; else everything.
if (($#)); then
  cmake --build build -j2 --target "$@"
else
  cmake --build build -j2
fi
