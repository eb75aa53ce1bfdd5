#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shows that layers.sh catches what it is there for: on a small tree that
# keeps to the layers it passes; with one offending include planted, it
# fails and names the file, the line and the include.
# Usage: layers_selftest.sh <layers.sh>
set -u
CHECK=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Qt's module folders, each with a header or two.
for h in QtCore/QString QtCore/qstring.h QtGui/QFont QtGui/QColor QtWidgets/QWidget QtWidgets/qwidget.h \
         QtWidgets/QLabel QtWidgets/QApplication QtMultimedia/QAudioSink QtPrintSupport/QPrinter \
         QtPrintSupport/qprinter.h QtCharts/QChart QtCharts/QChartView; do
  mkdir -p "$work/qt/${h%/*}"
  : >"$work/qt/$h"
done
# A header that Qt Gui offers as well belongs to Qt Gui.
: >"$work/qt/QtWidgets/QColor"

# A tree with every layer, each file including what it may.
clean() {
  local path includes one
  rm -rf "$work/src"
  while IFS='|' read -r path includes; do
    mkdir -p "$work/src/$(dirname "$path")"
    : >"$work/src/$path"
    for one in $includes; do
      echo "#include $one" >>"$work/src/$path"
    done
  done <<'EOF'
core/AppState.h|<QString> <QColor> <qstring.h>
core/Types.h|"core/AppState.h"
store/Engine.h|"core/Types.h" <QFont>
practice/PracticeSession.h|"store/Engine.h" "core/AppState.h"
audio/Mci.h|"core/AppState.h" <QtMultimedia/QAudioSink>
text/RtfToHtml.h|<QString> "core/Types.h"
print/CardPrint.h|"print/PrintLayout.h" "store/Engine.h" <QPrinter> <QColor>
print/PrintLayout.h|<QString>
ui/common/Windows.h|<QWidget> "store/Engine.h" "ui/common/Messages.h"
ui/common/Messages.h|<QLabel>
ui/main/frmMain.h|"ui/common/Windows.h"
ui/main/frmMain.cpp|"ui/main/frmMain.h" "audio/Mci.h" "practice/PracticeSession.h" "text/RtfToHtml.h" "print/CardPrint.h" <QApplication>
ui/main/frmLanguage.h|<QWidget>
ui/main/frmMainMenus.cpp|"ui/main/frmMain.h" "ui/common/Windows.h"
ui/main/frmLanguage.cpp|"frmLanguage.h" "../common/Windows.h"
ui/maintain/CardList.h|"ui/common/Windows.h"
ui/maintain/CardList.cpp|"ui/maintain/CardList.h" "ui/maintain/frmNew.h"
ui/maintain/frmNew.h|"ui/maintain/CardList.h"
ui/browse/frmPage.cpp|"ui/maintain/CardList.h" "ui/browse/frmPage.h"
ui/browse/frmPage.h|<QWidget>
ui/print/frmPrint.h|"print/CardPrint.h"
ui/stats/frmStatistik.h|<QChartView> "store/Engine.h"
app/WindowTable.cpp|"ui/main/frmMain.h" "ui/main/frmLanguage.h" "ui/maintain/frmNew.h" "ui/print/frmPrint.h"
app/main.cpp|"app/WindowTable.h" "ui/main/frmMain.h" "VokamiaVersion.h"
app/WindowTable.h|"ui/common/Windows.h"
reader/TableCopy.h|<sqlite3.h>
reader/mdbread.cpp|"reader/TableCopy.h" <glib.h>
EOF
}

clean
if ! out=$("$CHECK" "$work/src" "$work/qt"); then
  echo "FAIL: a tree that keeps to its layers is refused:"
  echo "$out"
  failures=$((failures + 1))
fi

# file | include planted at the end | what the report must say
while IFS='|' read -r file inc says; do
  clean
  mkdir -p "$work/src/$(dirname "$file")"
  echo "#include $inc" >>"$work/src/$file"
  line=$(wc -l <"$work/src/$file")
  bare=${inc:1:${#inc}-2}
  out=$("$CHECK" "$work/src" "$work/qt")
  rc=$?
  if [ $rc -ne 1 ] || ! grep -qF -- "src/$file:$line: includes $bare: $says" <<<"$out"; then
    echo "FAIL: src/$file with #include $inc: exit $rc, expected a line with \"src/$file:$line: includes $bare: $says\":"
    echo "$out"
    failures=$((failures + 1))
  fi
done <<'EOF'
core/Types.h|<QWidget>|core may not use Qt's QtWidgets
core/Types.h|<qwidget.h>|core may not use Qt's QtWidgets
store/Engine.h|<QtMultimedia/QAudioSink>|store may not use Qt's QtMultimedia
store/Engine.h|<QPrinter>|store may not use Qt's QtPrintSupport
store/Engine.h|<QtWidgets>|store may not use Qt's QtWidgets
practice/PracticeSession.h|<QLabel>|practice may not use Qt's QtWidgets
core/AppState.h|"store/Engine.h"|core may use only core
store/Engine.h|"audio/Mci.h"|store may use only core, store
store/Engine.h|"ui/common/Messages.h"|store may use only core, store
store/Engine.h|"practice/PracticeSession.h"|store may use only core, store
practice/PracticeSession.h|"ui/common/Windows.h"|practice may use only core, store, practice
audio/Mci.h|"ui/common/Messages.h"|audio may use only core, audio
audio/Mci.h|"store/Engine.h"|audio may use only core, audio
audio/Mci.h|<QApplication>|audio may not use Qt's QtWidgets
text/RtfToHtml.h|"ui/common/Windows.h"|text may use only core, text
text/RtfToHtml.h|<QtWidgets/QLabel>|text may not use Qt's QtWidgets
print/CardPrint.h|"ui/common/Messages.h"|print may use only core, store, print
print/CardPrint.h|<QWidget>|print may not use Qt's QtWidgets
store/Engine.h|<QChart>|store may not use Qt's QtCharts
ui/common/Windows.h|<QtCharts/QChartView>|ui/common may not use Qt's QtCharts
print/CardPrint.h|"ui/print/frmPrint.h"|a window of another area
ui/main/frmMain.cpp|"ui/maintain/frmNew.h"|a window of another area
ui/browse/frmPage.cpp|"../maintain/frmNew.h"|a window of another area
ui/maintain/CardList.h|"ui/main/frmMain.h"|a window of another area
ui/common/Windows.h|"ui/main/frmMain.h"|a window of another area
ui/common/Windows.h|"ui/maintain/CardList.h"|ui/common may use only core, store, backup, ui/common
ui/common/Windows.h|"audio/Mci.h"|ui/common may use only core, store, backup, ui/common
ui/main/frmMain.cpp|"ui/main/frmLanguage.h"|another window
ui/main/frmMain.h|"frmLanguage.h"|another window
ui/main/frmMainMenus.cpp|"ui/main/frmLanguage.h"|another window
ui/main/frmMain.cpp|"app/WindowTable.h"|a window may use only
reader/mdbread.cpp|"store/Engine.h"|reader may use only reader
backup/Rotation.h|"ui/common/Messages.h"|backup may use only core, store, backup
backup/Rotation.h|<QWidget>|backup may not use Qt's QtWidgets
EOF

# A source outside every layer is named too.
clean
mkdir -p "$work/src/misc"
: >"$work/src/misc/Stray.cpp"
if out=$("$CHECK" "$work/src" "$work/qt") || ! grep -qF "src/misc/Stray.cpp: lies in no layer" <<<"$out"; then
  echo "FAIL: a source outside the layers passes:"
  echo "$out"
  failures=$((failures + 1))
fi

# Without the Qt headers nothing could be checked: that is an error, not a pass.
clean
if "$CHECK" "$work/src" "$work/nothing" >/dev/null; then
  echo "FAIL: passes without Qt's headers"
  failures=$((failures + 1))
fi

if [ $failures -eq 0 ]; then
  echo "layers.sh catches every planted include"
else
  echo "$failures case(s) failed"
fi
[ $failures -eq 0 ]
