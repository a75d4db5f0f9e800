#!/usr/bin/env bash
# Builds everything a second time with AddressSanitizer and
# UndefinedBehaviorSanitizer (GCC) into build-asan/ and runs the whole test
# suite there. Any sanitizer report fails the run: the reports are written to
# build-asan/berichte/ and listed at the end. Leaks inside system libraries are
# suppressed by scripts/lsan.supp (each entry says why); leaks of this
# project's code are not.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh

dir=build-asan
flags="-O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DORVANTA_BUILD_BENCH=OFF \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build "$dir" -j2

reports="$PWD/$dir/berichte"
rm -rf "$reports"
mkdir -p "$reports"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:log_path=$reports/asan:log_exe_name=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan:log_exe_name=1"
status=0
ctest --test-dir "$dir" --output-on-failure -j2 --timeout 1200 || status=$?

shopt -s nullglob
# The save tests kill their helper process on purpose at any moment; a kill
# during its exit-time leak check leaves only LeakSanitizer's note that it
# could not stop the killed thread. That is no finding; anything else is.
for f in "$reports"/*; do
  if ! grep -qv 'Unable to get registers from thread' "$f"; then
    rm -f "$f"
  fi
done
found=("$reports"/*)
if ((${#found[@]})); then
  echo "Berichte der Sanitizer:" >&2
  for f in "${found[@]}"; do
    echo "== $f" >&2
    cat "$f" >&2
  done
  exit 1
fi
if ((status != 0)); then
  exit "$status"
fi
echo "Sanitizer-Lauf ohne Befund: alle Tests bestanden, kein Bericht."
