#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary prefix as a package would, checks the
# desktop's files there and runs the smoke test against the installed
# program, so it must find its help texts, pictures and sounds in the
# installed tree.
#   installed.sh <build folder>
set -euo pipefail
BUILD=$1
HERE=$(cd "$(dirname "$0")" && pwd)
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
P=$T/prefix
cmake --install "$BUILD" --prefix "$P" > "$T/install.log"

ID=de.vokamia.Vokamia
desktop-file-validate "$P/share/applications/$ID.desktop"
appstreamcli validate --no-net "$P/share/metainfo/$ID.metainfo.xml"
for f in libexec/vokamia/vokamia-mdbread share/icons/hicolor/scalable/apps/$ID.svg share/icons/hicolor/48x48/apps/$ID.png \
         share/icons/hicolor/256x256/apps/$ID.png bin/vokamia; do
  [ -s "$P/$f" ] || { echo "FAIL: $f was not installed"; exit 1; }
done
# The repository's notes and picture sources are not the program's files.
extra=$(find "$P/share/vokamia" \( -name '*.md' -o -name '*.svg' \) -print)
[ -z "$extra" ] || { echo "FAIL: installed but not the program's: $extra"; exit 1; }

bash "$HERE/smoke.sh" "$P/bin/vokamia"
# The first start takes the earlier cards over through the installed reader.
SMOKE_EARLIER="$HERE/../data/legacy/vok1.mdb" SMOKE_PAIRS=4 bash "$HERE/smoke.sh" "$P/bin/vokamia"
