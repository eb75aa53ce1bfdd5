#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Keeps the layers apart: checks every #include of every source below src/
# against what its folder may use (see "Layers" in ARCHITECTURE.md) and
# prints one line per offending include, naming file, line and include.
#
#   folder       may include of ours                       Qt modules it may not use
#   core         core                                      Widgets, Multimedia, PrintSupport, Charts
#   store        core, store                               Widgets, Multimedia, PrintSupport, Charts
#   practice     core, store, practice                     Widgets, Multimedia, PrintSupport, Charts
#   audio        core, audio                               Widgets, PrintSupport, Charts
#   text         core, text                                Widgets, Multimedia, PrintSupport, Charts
#   print        core, store, print                        Widgets, Multimedia, Charts
#   wordlist     core, store, wordlist                     Widgets, Multimedia, PrintSupport, Charts
#   backup       core, store, backup                       Widgets, Multimedia, PrintSupport, Charts
#   ui/common    core, store, backup, ui/common            Charts
#   ui/<area>    all but app and reader; of ui/ only ui/common, its own area and
#                another area's helpers, never another area's window (frm*.h);
#                a window's own files (frmName.*, and frmNamePart.cpp where a
#                window is kept in several files) include no other window at all
#   app          everything
#   reader       reader
#
# Usage: layers.sh <src folder> <Qt include folder>
set -u
SRC=${1%/}
QT=${2%/}
status=0

declare -A allowed=(
  [core]="core"
  [store]="core store"
  [practice]="core store practice"
  [audio]="core audio"
  [text]="core text"
  [print]="core store print"
  [wordlist]="core store wordlist"
  [backup]="core store backup"
  [ui/common]="core store backup ui/common"
  [app]="*"
  [reader]="reader"
)
window_area_may_use="core store practice audio text print wordlist backup ui"
declare -A qt_forbidden=(
  [core]="QtWidgets QtMultimedia QtMultimediaWidgets QtPrintSupport QtCharts"
  [store]="QtWidgets QtMultimedia QtMultimediaWidgets QtPrintSupport QtCharts"
  [practice]="QtWidgets QtMultimedia QtMultimediaWidgets QtPrintSupport QtCharts"
  [audio]="QtWidgets QtMultimediaWidgets QtPrintSupport QtCharts"
  [text]="QtWidgets QtMultimedia QtMultimediaWidgets QtPrintSupport QtCharts"
  [print]="QtWidgets QtMultimedia QtMultimediaWidgets QtCharts"
  [wordlist]="QtWidgets QtMultimedia QtMultimediaWidgets QtPrintSupport QtCharts"
  [backup]="QtWidgets QtMultimedia QtMultimediaWidgets QtPrintSupport QtCharts"
  [ui/common]="QtCharts"
)
top_folders="core store practice audio text print wordlist backup ui app reader"

# Without the modules' headers every Qt include would pass unseen.
for m in QtWidgets QtMultimedia QtPrintSupport; do
  if [ ! -d "$QT/$m" ]; then
    echo "layers.sh: no $m headers in $QT"
    exit 2
  fi
done

# The Qt module of each header those rules name, by every spelling
# (<QWidget>, <qwidget.h>, <QtWidgets/QWidget>, <QtWidgets>). A name that
# Qt Core or Gui offer too is theirs.
declare -A qt_module=()
for m in QtWidgets QtMultimedia QtMultimediaWidgets QtPrintSupport QtCharts; do
  [ -d "$QT/$m" ] || continue
  qt_module[$m]=$m
  for h in "$QT/$m"/*; do
    b=${h##*/}
    qt_module[$m/$b]=$m
    [ -e "$QT/QtCore/$b" ] || [ -e "$QT/QtGui/$b" ] || qt_module[$b]=$m
  done
done

# The layer a path below src/ belongs to: its top folder, or ui/<area>.
layer_of() {
  case $1 in
    ui/*/*) local rest=${1#ui/}; echo "ui/${rest%%/*}" ;;
    */*) echo "${1%%/*}" ;;
    *) echo "" ;;
  esac
}

include_re='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"]'

contains() { [[ " $1 " == *" $2 "* ]]; }

report() {
  echo "$1"
  status=1
}

while IFS= read -r file; do
  rel=${file#"$SRC"/}
  layer=$(layer_of "$rel")
  top=${layer%%/*}
  if [ -z "$layer" ] || [ "$layer" = ui ] || ! contains "$top_folders" "$top"; then
    report "src/$rel: lies in no layer (the folders are: $top_folders)"
    continue
  fi
  dir=$(dirname "$file")
  while IFS= read -r line; do
    lineno=${line%%:*}
    [[ ${line#*:} =~ $include_re ]] || continue
    inc=${BASH_REMATCH[1]}
    where="src/$rel:$lineno: includes $inc"

    # One of ours: by its path below src/, or relative to the file.
    target=""
    if contains "$top_folders" "${inc%%/*}" && [[ $inc == */* ]]; then
      target=$inc
    elif [ -e "$dir/$inc" ]; then
      target=$(realpath -m --relative-to="$SRC" "$dir/$inc")
      [[ $target == ../* ]] && target=""
    fi

    if [ -n "$target" ]; then
      to=$(layer_of "$target")
      name=${target##*/}
      if [[ $to == ui/* && $name == frm*.h && $to != "$layer" && $layer != app ]]; then
        report "$where: a window of another area; a window asks Windows::open for it, and only src/app knows the windows of several areas"
      elif [[ $to == ui/* && $name == frm*.h && ${rel##*/} == frm* && $(basename "${rel%.*}") != "${name%.h}"* ]]; then
        report "$where: another window; a window asks Windows::open for it"
      elif [[ $layer == ui/* && $layer != ui/common ]]; then
        contains "$window_area_may_use" "${to%%/*}" ||
          report "$where: a window may use only $window_area_may_use"
      elif [ "${allowed[$layer]}" != "*" ] && ! contains "${allowed[$layer]}" "$to"; then
        report "$where: $layer may use only ${allowed[$layer]// /, }"
      fi
      continue
    fi

    module=${qt_module[$inc]:-}
    if [ -n "$module" ] && contains "${qt_forbidden[$layer]:-}" "$module"; then
      report "$where: $layer may not use Qt's $module"
    fi
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$file")
done < <(find "$SRC" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)

[ $status -eq 0 ] && echo "every include of src/ keeps to its layer"
exit $status
