#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Vokamia in Release and makes its Debian
# package in build/ (install it with: sudo apt install ./build/vokamia_*.deb).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
bash "$ROOT/scripts/deps.sh"
cmake -S "$ROOT" -B "$ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOKAMIA_WERROR=OFF >/dev/null
ninja -C "$ROOT/build" -j2 vokamia vokamia_resources vokamia_icons vokamia_docs
(cd "$ROOT/build" && cpack -G DEB >/dev/null)
ls "$ROOT"/build/vokamia_*.deb
