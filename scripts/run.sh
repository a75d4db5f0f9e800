#!/usr/bin/env bash
# Builds the program and runs its main job: the evaluation of the example
# calibration. Further arguments replace the default arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh >&2
if (($#)); then
  exec ./build/app/Orvanta "$@"
fi
exec ./build/app/Orvanta --auswertung beispiele/Kalibrierung-DPr-EVD.xml
