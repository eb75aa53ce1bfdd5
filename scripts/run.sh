#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Vokamia in Release and starts it with the
# learner's data folder as its working directory.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
bash "$ROOT/scripts/deps.sh"
cmake -S "$ROOT" -B "$ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOKAMIA_WERROR=OFF >/dev/null
ninja -C "$ROOT/build" -j2 vokamia vokamia_resources
DATA="${XDG_DATA_HOME:-$HOME/.local/share}/Vokamia"
mkdir -p "$DATA"
cd "$DATA"
exec "$ROOT/build/bin/vokamia"
