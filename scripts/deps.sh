#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need (idempotent).
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config locales
  qt6-base-dev qt6-qpa-plugins libpugixml-dev libjpeg62-turbo-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  zint libzint-dev zbar-tools zxing-cpp-tools emf2svg poppler-utils qpdf
  xvfb xdotool imagemagick x11-utils fonts-liberation2 qt6-translations-l10n
  clang libclang-rt-14-dev
  python3-reportlab linux-perf libxlsxwriter-dev python3-openpyxl
  libsqlite3-dev libpq-dev postgresql
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
