#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Keeps the data layer free of the layers above it: nothing in src/core or
# src/store may include a header of Qt's widget, multimedia or printing
# modules, nor anything from src/ui, src/sound or src/print.
# Usage: layers.sh <src folder> <Qt include folder>
set -u
SRC=$1
QT=$2
status=0

# Every header the forbidden Qt modules offer, by both spellings
# (<QWidget> and <QtWidgets/QWidget>, <qwidget.h>).
forbidden=$(for m in QtWidgets QtMultimedia QtMultimediaWidgets QtPrintSupport; do
  [ -d "$QT/$m" ] || continue
  echo "$m"
  for h in "$QT/$m"/*; do
    b=$(basename "$h")
    echo "$b"
    echo "$m/$b"
  done
done | sort -u)

while IFS= read -r line; do
  file=${line%%:*}
  rest=${line#*:}
  lineno=${rest%%:*}
  inc=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1/' <<<"${rest#*:}")
  bad=""
  case $inc in
    ui/*|sound/*|print/*) bad="a header of a higher layer" ;;
    *) grep -qxF -- "$inc" <<<"$forbidden" && bad="a widget, multimedia or printing header" ;;
  esac
  if [ -n "$bad" ]; then
    echo "$file:$lineno: includes $bad: $inc"
    status=1
  fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include' "$SRC/core" "$SRC/store")

[ $status -eq 0 ] && echo "core and store include nothing above them"
exit $status
