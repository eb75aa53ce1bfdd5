#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary prefix as a package would, checks the
# desktop's files and the manual page there and runs the smoke test against
# the installed program, so it must find its help texts, pictures and sounds
# in the installed tree.
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

# "man vokamia" finds the manual page in the installed tree; it is the page
# of this version and documents every option the program lists.
page=$(MANPATH="$P/share/man" MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings vokamia 2>"$T/man.err")
[ ! -s "$T/man.err" ] || { echo "FAIL: the manual page has faults:"; cat "$T/man.err"; exit 1; }
grep -q "vokamia - Vokabeltrainer mit Karteikasten" <<<"$page" || { echo "FAIL: no manual page found: $page"; exit 1; }
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$P/bin/vokamia" --version)
grep -qF "${version%%+*} " <<<"$page" || { echo "FAIL: the manual page is not that of $version"; exit 1; }
for option in $("$P/bin/vokamia" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
  grep -qF -- "$option" <<<"$page" || { echo "FAIL: the manual page does not document $option"; exit 1; }
done

bash "$HERE/smoke.sh" "$P/bin/vokamia"
# The first start takes the earlier cards over through the installed reader.
SMOKE_EARLIER="$HERE/../data/legacy/vok1.mdb" SMOKE_PAIRS=4 # "man vokamia" finds the manual page in the installed tree; it is the page
# of this version and documents every option the program lists.
page=$(MANPATH="$P/share/man" MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings vokamia 2>"$T/man.err")
[ ! -s "$T/man.err" ] || { echo "FAIL: the manual page has faults:"; cat "$T/man.err"; exit 1; }
grep -q "vokamia - Vokabeltrainer mit Karteikasten" <<<"$page" || { echo "FAIL: no manual page found: $page"; exit 1; }
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$P/bin/vokamia" --version)
grep -qF "${version%%+*} " <<<"$page" || { echo "FAIL: the manual page is not that of $version"; exit 1; }
for option in $("$P/bin/vokamia" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
  grep -qF -- "$option" <<<"$page" || { echo "FAIL: the manual page does not document $option"; exit 1; }
done

bash "$HERE/smoke.sh" "$P/bin/vokamia"
