#!/usr/bin/env bash
# Runs every libFuzzer target for SECONDS seconds (default 60) with
# AddressSanitizer and UndefinedBehaviorSanitizer (clang), in build-fuzz/.
# The corpus of each target grows in build-fuzz/korpus/<target>, seeded from
# the example calibrations, the recordset samples in tests/data/ado and
# tests/data/fuzz/<target>. A crash, hang, leak or broken invariant is kept in
# build-fuzz/funde/ and fails the run; executions are added up per target in
# build-fuzz/laeufe.tsv over all runs.
#
#   scripts/fuzz.sh [SECONDS] [TARGET ...]
#   scripts/fuzz.sh --nur-bauen [TARGET ...]   (builds the targets, runs none: CI)
set -euo pipefail
cd "$(dirname "$0")/.."
build_only=0
if [ "${1:-}" = --nur-bauen ]; then
  build_only=1
  shift
else
  seconds=${1:-60}
  shift || true
fi
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(fuzz_datei fuzz_zahlen fuzz_eigenschaften fuzz_einfuegen fuzz_text fuzz_import fuzz_mappe)
fi
./scripts/deps.sh clang libclang-rt-14-dev

dir=build-fuzz
flags="-O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DORVANTA_FUZZ=ON \
  -DORVANTA_BUILD_TESTS=OFF -DORVANTA_BUILD_BENCH=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build "$dir" -j2 --target "${targets[@]}"
if ((build_only)); then
  echo "Fuzz-Ziele gebaut: ${targets[*]}"
  exit 0
fi

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
mkdir -p "$dir/funde"
[ -f "$dir/laeufe.tsv" ] || printf 'Ziel\tAusführungen\tSekunden\tErgebnis\tZeitpunkt\n' >"$dir/laeufe.tsv"

failed=()
for t in "${targets[@]}"; do
  corpus="$dir/korpus/$t"
  mkdir -p "$corpus"
  seeds=()
  if [ "$t" = fuzz_datei ]; then
    seeds+=(beispiele)
    seeds+=(tests/data/ado)
  fi
  [ -d "tests/data/fuzz/$t" ] && seeds+=("tests/data/fuzz/$t")
  log="$dir/$t.log"
  echo "== $t: $seconds s"
  status=0
  "$dir/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 \
    -print_final_stats=1 -artifact_prefix="$dir/funde/$t-" \
    "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -n 1)
  runs=${runs:-0}
  result=ok
  if ((status != 0)); then
    result=fund
    failed+=("$t")
    grep -E 'ERROR|Invariante|SUMMARY|Test unit written' "$log" | head -n 20 >&2 || true
  fi
  printf '%s\t%s\t%s\t%s\t%s\n' "$t" "$runs" "$seconds" "$result" "$(date -Iseconds)" \
    >>"$dir/laeufe.tsv"
  echo "   $runs Ausführungen, $result"
done

echo
echo "Ausführungen über alle Läufe:"
awk -F'\t' 'NR > 1 { runs[$1] += $2; secs[$1] += $3; if ($4 != "ok") bad[$1]++; total += $2 }
  END { for (t in runs) printf "  %-20s %12d in %6d s, Funde: %d\n", t, runs[t], secs[t], bad[t];
        printf "  %-20s %12d\n", "zusammen", total }' "$dir/laeufe.tsv"
if ((${#failed[@]})); then
  echo "Funde in: ${failed[*]} (Eingaben in $dir/funde/)" >&2
  exit 1
fi
