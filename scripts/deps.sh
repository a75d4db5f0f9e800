#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those
# missing, with one apt-get update; further packages may be named as
# arguments (the sanitizer and fuzzing scripts add theirs). Generates the
# locales the tests run under.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools
  qt6-qpa-plugins qt6-wayland
  libgtest-dev googletest libbenchmark-dev libboost-dev
  fonts-liberation
  locales
  xvfb xauth xdotool x11-utils
  poppler-utils
  libxlsxwriter-dev libminizip-dev unzip
  acl attr
  qt6-translations-l10n libc-l10n
  clang-format git
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Fehlende Pakete: ${missing[*]} (Installation braucht root-Rechte)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The users' desktops run a real German locale, and the C library's number
# formatting follows it once a Qt application starts: tests must see that.
for l in de_DE en_US; do
  if ! locale -a 2>/dev/null | grep -qx "$l.utf8"; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "Locale $l.UTF-8 fehlt (Erzeugung braucht root-Rechte)" >&2
      exit 1
    fi
    localedef -i "$l" -c -f UTF-8 -A /usr/share/locale/locale.alias "$l.UTF-8"
  fi
done
