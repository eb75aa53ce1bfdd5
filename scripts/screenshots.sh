#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the README's screenshots in docs/ again: the real program under a
# virtual display, on a fresh data folder seeded with a few cards.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
bash "$ROOT/scripts/deps.sh"
cmake -S "$ROOT" -B "$ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$ROOT/build" -j2 vokamia vokamia_resources seed_cards >/dev/null
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
export XDG_DATA_HOME=$T/data XDG_CONFIG_HOME=$T/config XDG_RUNTIME_DIR=$T/run HOME=$T
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -euo pipefail
  ROOT=$1
  BIN=$ROOT/build/bin/vokamia
  window() {
    for i in $(seq 1 100); do
      W=$(xdotool search --name "$1" 2>/dev/null | head -n 1) && [ -n "$W" ] && { echo "$W"; return; }
      sleep 0.1
    done
    echo "no window $1" >&2; exit 1
  }
  # The first start makes the database.
  "$BIN" & P=$!; window "^Vokamia" >/dev/null; kill $P; wait $P || true
  "$ROOT/build/tests/helpers/seed_cards" "$XDG_DATA_HOME/Vokamia/Vokabeln.mdb" <<CARDS
house|Haus|The house is old.|Das Haus ist alt.|1
tree|Baum|A tree in the garden.|Ein Baum im Garten.|1
apple|Apfel|An apple a day.|Ein Apfel am Tag.|1
to run|laufen|I run every morning.|Ich laufe jeden Morgen.|1
bridge|Brücke|The bridge over the river.|Die Brücke über den Fluss.|2
key|Schlüssel|Where is my key?|Wo ist mein Schlüssel?|2
weather|Wetter|The weather is fine.|Das Wetter ist schön.|3
to learn|lernen|We learn English.|Wir lernen Englisch.|0
street|Straße|A long street.|Eine lange Straße.|0
cheese|Käse|Cheese from Switzerland.|Käse aus der Schweiz.|4
CARDS
  "$BIN" & P=$!
  W=$(window "^Vokamia")
  sleep 1
  import -window "$W" "$ROOT/docs/main-window.png"
  # A click on compartment 1 practises it (the window stands at the
  # screen'"'"'s corner: there is no window manager).
  xdotool mousemove 292 470 click 1
  V=$(window "^Vokabel")
  sleep 1
  xdotool type --delay 60 "the hous"
  sleep 0.5
  import -window "$V" "$ROOT/docs/practice-window.png"
  kill $P; wait $P || true
' bash "$ROOT"
echo "docs/main-window.png docs/practice-window.png"
