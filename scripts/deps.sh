#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Vokamia needs to build, run and test, but only
# those that are missing, so a second run costs nothing.
set -euo pipefail

PACKAGES=(
  g++ clang libclang-rt-14-dev cmake ninja-build pkg-config
  qt6-base-dev qt6-multimedia-dev qt6-charts-dev qt6-translations-l10n
  libsqlite3-dev libsndfile1-dev mdbtools-dev libcsv-dev
  fonts-dejavu-core xvfb xauth xdotool imagemagick poppler-utils
  pulseaudio pulseaudio-utils sox python3
  librsvg2-bin desktop-file-utils appstream dpkg-dev git
  lintian man-db
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
