#!/usr/bin/env bash
# Builds the Debian package orvanta_<version>_amd64.deb in build-deb/, checks
# it with lintian (no error allowed), installs it on this machine with its
# dependencies, evaluates the example from the installed files and removes
# the package again. Needs root for the installation.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh lintian dpkg-dev fakeroot

cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DORVANTA_BUILD_TESTS=OFF -DORVANTA_BUILD_BENCH=OFF
cmake --build build-deb -j2 --target Orvanta changelog
(cd build-deb && cpack -G DEB)
deb=$(ls build-deb/orvanta_*_amd64.deb | head -n 1)
echo "Paket: $deb"
dpkg-deb --info "$deb"

# lintian: warnings are shown, an error fails.
lintian --tag-display-limit 0 "$deb" | tee build-deb/lintian.txt || true
if grep -q '^E:' build-deb/lintian.txt; then
  echo "lintian meldet Fehler." >&2
  exit 1
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "Zur Installation sind root-Rechte nötig; das Paket ist gebaut und geprüft." >&2
  exit 0
fi
export DEBIAN_FRONTEND=noninteractive
apt-get install -y --no-install-recommends "./$deb"
trap 'apt-get remove -y orvanta >/dev/null || true' EXIT
out=$(LANG=de_DE.UTF-8 /usr/bin/Orvanta --auswertung /usr/share/orvanta/beispiele/Kalibrierung-DPr-EVD.xml)
echo "$out" | tail -n 3
echo "$out" | grep -q 'Bestimmtheitsmaß'
test -f /usr/share/orvanta/Hilfe/VelmorTeilE4.html
echo "Das installierte Paket rechnet das Beispiel."
