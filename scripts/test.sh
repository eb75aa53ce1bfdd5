#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Vokamia and its tests, runs every test,
# then runs them all once more in a build with AddressSanitizer and
# UndefinedBehaviorSanitizer. Compiler warnings fail both builds here (only here).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
bash "$ROOT/scripts/deps.sh"

cmake -S "$ROOT" -B "$ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOKAMIA_WERROR=ON >/dev/null
ninja -C "$ROOT/build" -j2
ctest --test-dir "$ROOT/build" -j2 --output-on-failure

echo "=== The same tests with AddressSanitizer and UndefinedBehaviorSanitizer ==="
cmake -S "$ROOT" -B "$ROOT/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOKAMIA_SANITIZE=ON -DVOKAMIA_WERROR=ON >/dev/null
ninja -C "$ROOT/build-asan" -j2
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 ctest --test-dir "$ROOT/build-asan" -j2 --output-on-failure
