#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of the build folder and checks what it holds,
# what it asks for, and that Debian's package checker finds no error and no
# warning in it (its notes are shown; overrides need a reason, see
# packaging/lintian-overrides).
#   package.sh <build folder>
set -euo pipefail
BUILD=$1
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
(cd "$T" && cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$T" > "$T/cpack.log") || { cat "$T/cpack.log"; exit 1; }
DEB=$(ls "$T"/vokamia_*.deb)
dpkg-deb -c "$DEB" | awk '{print $6}' > "$T/files"
for f in ./usr/bin/vokamia ./usr/libexec/vokamia/vokamia-mdbread ./usr/share/applications/de.vokamia.Vokamia.desktop \
         ./usr/share/icons/hicolor/scalable/apps/de.vokamia.Vokamia.svg \
         ./usr/share/icons/hicolor/48x48/apps/de.vokamia.Vokamia.png \
         ./usr/share/metainfo/de.vokamia.Vokamia.metainfo.xml \
         ./usr/share/vokamia/help/main.rtf ./usr/share/vokamia/pictures/box.png ./usr/share/vokamia/sounds/wah.wav \
         ./usr/share/doc/vokamia/copyright ./usr/share/doc/vokamia/changelog.gz ./usr/share/man/man1/vokamia.1.gz; do
  grep -qx "$f" "$T/files" || { echo "FAIL: $f is not in the package"; cat "$T/files"; exit 1; }
done
depends=$(dpkg-deb -f "$DEB" Depends)
for d in libqt6widgets6 libsqlite3-0 qt6-translations-l10n; do
  [[ $depends == *"$d"* ]] || { echo "FAIL: the package does not depend on $d: $depends"; exit 1; }
done
# It warns about running as root, which a container's test run does.
if ! lintian --fail-on error,warning --info "$DEB" > "$T/lintian.log" 2>&1; then
  echo "FAIL: lintian reports errors or warnings:"
  cat "$T/lintian.log"
  exit 1
fi
grep -v "root privileges" "$T/lintian.log" || true
echo "package ok: $(basename "$DEB")"
