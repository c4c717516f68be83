#!/bin/sh
# The window program starts, writes its settings and the PDF association, and
# quits, on the offscreen platform. $1: drevlin-convert (the window program is
# built beside it), $2: the source tree.
set -u
gui=$(dirname "$1")/drevlin-pdf-converter
if [ ! -x "$gui" ]; then echo "skipped: no window program (Qt 6 absent)"; exit 0; fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A private copy, so that the settings land beside it and not in the build.
mkdir "$tmp/with space"
cp "$gui" "$tmp/with space/" && cp -r "$2/language" "$tmp/with space/" || fail "cannot copy the program"
export QT_QPA_PLATFORM=offscreen HOME="$tmp" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" \
  XDG_RUNTIME_DIR="$tmp"
timeout 60 "$tmp/with space/drevlin-pdf-converter" --quit-after-start || fail "exit status $?"

ini="$tmp/with space/drevlin-pdf-converter.ini"
grep -q '^Language=English' "$ini" || fail "settings not written: $(cat "$ini" 2>&1)"
grep -q '^convert=0' "$ini" || fail "mode not written"
entry="$tmp/data/applications/drevlin-pdf-converter.desktop"
grep -qx "Exec=\"$tmp/with space/drevlin-pdf-converter\" %f" "$entry" || fail "exec line: $(grep Exec "$entry")"
grep -qx 'application/pdf=drevlin-pdf-converter.desktop' "$tmp/config/mimeapps.list" || fail "no PDF default"

timeout 60 "$tmp/with space/drevlin-pdf-converter" --screenshot "$tmp/shots" || fail "screenshot run"
for f in main-English main-Russian about-English about-Russian; do
  [ -s "$tmp/shots/$f.png" ] || fail "no $f.png"
done
echo ok
