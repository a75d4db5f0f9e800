#!/usr/bin/env bash
# Builds the program and runs its main job: with a display, the wizard window
# with the example calibration opened; without one, the evaluation of the
# example printed as text. Further arguments replace the default arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
# Only the program and its help pages: the tests and benchmarks are test.sh's.
./scripts/setup.sh Orvanta >&2
if (($#)); then
  exec ./build/app/Orvanta "$@"
fi
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/app/Orvanta beispiele/Kalibrierung-DPr-EVD.xml
fi
exec ./build/app/Orvanta --auswertung beispiele/Kalibrierung-DPr-EVD.xml
