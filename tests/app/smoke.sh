#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the real program under a virtual display with empty data and
# settings folders, waits for its main window, checks that the database was
# created, closes the window as a window manager would and expects a clean
# exit.
set -u
BIN=$1
HERE=$(cd "$(dirname "$0")" && pwd)
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
export XDG_DATA_HOME=$T/data XDG_CONFIG_HOME=$T/config XDG_RUNTIME_DIR=$T/run HOME=$T
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
# SMOKE_EARLIER=<file>: an earlier vok1.mdb lies in the data folder at the
# first start; SMOKE_PAIRS=<n>: the language pairs the database holds then.
if [ -n "${SMOKE_EARLIER:-}" ]; then
  mkdir -p "$XDG_DATA_HOME/Vokamia" && cp "$SMOKE_EARLIER" "$XDG_DATA_HOME/Vokamia/vok1.mdb"
fi

xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  BIN=$1; HERE=$2
  "$BIN" > "$XDG_RUNTIME_DIR/out.txt" 2>&1 &
  P=$!
  WID=""
  # The caption names the pair once start-up is done; a close sent before
  # then could meet a window that is not ready for it.
  for i in $(seq 1 200); do
    WID=$(xdotool search --name "^Vokamia - " 2>/dev/null | head -n 1)
    [ -n "$WID" ] && break
    sleep 0.1
  done
  if [ -z "$WID" ]; then echo "FAIL: no main window appeared"; cat "$XDG_RUNTIME_DIR/out.txt"; kill $P; exit 1; fi
  echo "main window: $(xdotool getwindowname "$WID")"
  sleep 1
  DB="$XDG_DATA_HOME/Vokamia/Vokabeln.mdb"
  if [ ! -s "$DB" ]; then echo "FAIL: database $DB was not created"; kill $P; exit 1; fi
  for f in wah.wav drum.wav Englisch; do
    if [ ! -e "$XDG_DATA_HOME/Vokamia/$f" ]; then echo "FAIL: $f missing in the working directory"; kill $P; exit 1; fi
  done
  python3 "$HERE/close_window.py" "$WID"
  for i in $(seq 1 100); do kill -0 $P 2>/dev/null || break; sleep 0.1; done
  if kill -0 $P 2>/dev/null; then echo "FAIL: program still running after its window was closed"; kill -9 $P; exit 1; fi
  wait $P; RC=$?
  cat "$XDG_RUNTIME_DIR/out.txt"
  if [ $RC -ne 0 ]; then echo "FAIL: exit code $RC"; exit 1; fi
  if grep -q "Programmdatei fehlt" "$XDG_RUNTIME_DIR/out.txt"; then echo "FAIL: the program misses files of its own"; exit 1; fi
  if [ -n "${SMOKE_PAIRS:-}" ]; then
    pairs=$(python3 -c "import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute(\"select count(*) from tSprache\").fetchone()[0])" "$XDG_DATA_HOME/Vokamia/Vokabeln.mdb")
    if [ "$pairs" != "$SMOKE_PAIRS" ]; then echo "FAIL: $pairs language pairs, expected $SMOKE_PAIRS"; exit 1; fi
  fi
  echo "smoke test passed"
' bash "$BIN" "$HERE"
