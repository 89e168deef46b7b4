#!/usr/bin/env bash
# Installs the Debian 12 packages Mirvak needs to build, run and test.
# Installs only what is missing, so running it again costs nothing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins libqt6svg6 qt6-translations-l10n
  libcups2-dev libicu-dev libpng-dev libjpeg-dev libemf2svg-dev libharfbuzz-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils qpdf
  dpkg-dev file lintian
  xvfb xauth xdotool dbus-daemon
  fonts-liberation2 fonts-dejavu-core fonts-ipafont-gothic fonts-noto-cjk
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The packaged spooler starts itself on install where it can; the tests run a
# private one, and the program needs none.
