#!/usr/bin/env bash
# Prepares a fresh Debian 12 machine and builds the project: the packages and
# locales (scripts/deps.sh), then CMake with two build jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
