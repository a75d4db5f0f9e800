#!/usr/bin/env bash
# Prepares a fresh Debian 12 machine and builds the project: the packages and
# locales (scripts/deps.sh), then CMake with two build jobs: the targets
# named as arguments, or everything.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Targets given (the program for run.sh): only those; else everything.
if (($#)); then
  cmake --build build -j2 --target "$@"
else
  cmake --build build -j2
fi
