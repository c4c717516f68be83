#!/bin/sh
# Installs the build into a temporary prefix and uses it as a user and a
# developer would: the installed command line converts a sample, the data files
# validate, and a small program builds against the library through its CMake
# package and through pkg-config. Then the prefix is moved and used again.
# Usage: installed_tree.sh BUILD_DIR SOURCE_DIR
set -eu
build=$(realpath "$1")
src=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "installed_tree: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/usr" > "$work/install.log" || fail "cmake --install failed"
p=$work/usr
for f in bin/drevlin-convert share/drevlin-pdf-converter/language/English.ini \
         share/drevlin-pdf-converter/language/Russian.ini share/applications/drevlin-pdf-converter.desktop \
         share/metainfo/com.example.drevlin.PdfConverter.metainfo.xml \
         share/icons/hicolor/scalable/apps/drevlin-pdf-converter.svg \
         share/bash-completion/completions/drevlin-convert \
         include/ostrel/pdf/facade/ostrel.h lib/cmake/Ostrel/OstrelConfig.cmake; do
  [ -f "$p/$f" ] || fail "missing $f"
done
ls "$p"/lib*/libostrel.a "$p"/lib*/pkgconfig/ostrel.pc "$p"/share/man/man1/drevlin-convert.1* > /dev/null ||
  fail "library, pkg-config file or man page missing"
if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$p/share/applications/drevlin-pdf-converter.desktop" || fail "desktop entry invalid"
fi
if command -v appstreamcli > /dev/null; then
  appstreamcli validate --no-net "$p/share/metainfo/com.example.drevlin.PdfConverter.metainfo.xml" \
    > "$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "metainfo invalid"; }
fi

# The installed command line, run from elsewhere.
cd "$work"
"$p/bin/drevlin-convert" --version > /dev/null || fail "installed --version failed"
"$p/bin/drevlin-convert" pdf-to-text "$src/examples/sample.pdf" -o "$work/sample.txt" -q ||
  fail "installed pdf-to-text failed"
[ -s "$work/sample.txt" ] || fail "installed pdf-to-text wrote nothing"

# A consumer through the CMake package.
cmake -S "$src/tests/install/consumer" -B "$work/consumer" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$p" > "$work/consumer.log" 2>&1 || { cat "$work/consumer.log"; fail "find_package(Ostrel) failed"; }
cmake --build "$work/consumer" > "$work/consumer-build.log" 2>&1 ||
  { tail -20 "$work/consumer-build.log"; fail "consumer did not build"; }
"$work/consumer/consumer" "$src/examples/sample.pdf" "$work/page.png" > "$work/consumer.out" ||
  fail "consumer failed"
[ -s "$work/page1.png" ] || fail "consumer rendered no page"
grep -q "pages: " "$work/consumer.out" || fail "consumer printed no text"

# The same through pkg-config, after moving the prefix.
mv "$work/usr" "$work/moved"
p=$work/moved
pc=$(dirname "$(ls "$p"/lib*/pkgconfig/ostrel.pc "$p"/lib/*/pkgconfig/ostrel.pc 2>/dev/null | head -1)")
# shellcheck disable=SC2046
c++ -O1 -o "$work/consumer2" "$src/tests/install/consumer/main.cpp" \
  $(PKG_CONFIG_PATH=$pc pkg-config --cflags --libs ostrel) || fail "pkg-config build failed"
"$work/consumer2" "$src/examples/sample.pdf" "$work/again.png" > /dev/null || fail "pkg-config consumer failed"
"$p/bin/drevlin-convert" --version > /dev/null || fail "moved prefix: --version failed"
echo "installed_tree: ok"
