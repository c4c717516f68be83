#!/bin/sh
# Builds the Debian package from the build folder with CPack and checks that it
# carries the programs, man pages, desktop entry, icon, metainfo, completion,
# copyright and changelog, and that lintian (when installed) finds no error.
# Usage: debian_package.sh BUILD_DIR
set -eu
build=$(realpath "$1")
command -v dpkg-deb > /dev/null || { echo "debian_package: dpkg-deb absent, skipped"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "debian_package: $*" >&2; exit 1; }

cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/drevlin-pdf-converter_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' > "$work/contents"
for f in usr/bin/drevlin-convert usr/bin/drevlin-pdf-converter usr/share/man/man1/drevlin-convert.1.gz \
         usr/share/man/man1/drevlin-pdf-converter.1.gz usr/share/applications/drevlin-pdf-converter.desktop \
         usr/share/icons/hicolor/scalable/apps/drevlin-pdf-converter.svg \
         usr/share/icons/hicolor/48x48/apps/drevlin-pdf-converter.png \
         usr/share/metainfo/com.example.drevlin.PdfConverter.metainfo.xml \
         usr/share/bash-completion/completions/drevlin-convert \
         usr/share/drevlin-pdf-converter/language/Russian.ini \
         usr/share/doc/drevlin-pdf-converter/copyright usr/share/doc/drevlin-pdf-converter/changelog.gz; do
  grep -qx "./$f" "$work/contents" || fail "package lacks $f"
done
dpkg-deb -f "$deb" Depends | grep -q libcairo2 || fail "Depends lacks the shared libraries"
dpkg-deb -f "$deb" Recommends | grep -q fonts-liberation || fail "Recommends lacks the fonts"
if command -v lintian > /dev/null; then
  lintian --tag-display-limit 0 "$deb" > "$work/lintian.log" 2>&1 || true
  if grep -q '^E:' "$work/lintian.log"; then cat "$work/lintian.log"; fail "lintian errors"; fi
fi
echo "debian_package: ok ($(basename "$deb"))"
