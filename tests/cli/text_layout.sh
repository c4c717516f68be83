#!/bin/sh
# text-to-pdf layout: long lines wrap inside the page, tabs move to their
# stops, form feeds start pages. Checked through poppler's tools (skipped
# when they are absent).
# $1: the program, $2: the source tree.
set -u
prog=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
have() { command -v "$1" > /dev/null 2>&1; }
if ! have pdftotext || ! have pdfinfo; then echo "poppler-utils not installed: skipped"; exit 0; fi

convert() {
  "$prog" text-to-pdf "$tmp/$1.txt" -o "$tmp/$1.pdf" -q || fail "$1: exit $?"
  if have qpdf; then qpdf --check "$tmp/$1.pdf" > /dev/null 2>&1 || fail "$1: qpdf --check"; fi
}
words() { tr -s ' \n\f' '\n\n\n' | grep -v '^$'; }
# The right edge of the widest word on any page, from pdftotext's boxes.
right_edge() {
  pdftotext -bbox "$tmp/$1.pdf" - | sed -n 's/.*xMax="\([0-9.]*\)".*/\1/p' | sort -g | tail -1
}

i=1; : > "$tmp/long.txt"
while [ $i -le 90 ]; do printf 'word%02d ' $i >> "$tmp/long.txt"; i=$((i + 1)); done
echo >> "$tmp/long.txt"
head -c 400 /dev/zero | tr '\0' 'x' > "$tmp/unbroken.txt"
printf 'Name\tValue\n\tindented\n' > "$tmp/tabs.txt"
printf 'page one\fpage two\n\fpage three\n\f\f' > "$tmp/feeds.txt"
for f in long unbroken tabs feeds; do convert $f; done

# Every word comes back, in order, and none reaches past the right margin (x 592).
pdftotext "$tmp/long.pdf" - | words > "$tmp/long.out"
words < "$tmp/long.txt" | cmp -s - "$tmp/long.out" || fail "wrapped words: $(diff "$tmp/long.out" "$tmp/long.txt" | head -3)"
[ "$(pdftotext "$tmp/long.pdf" - | grep -c word)" -gt 3 ] || fail "the long line was not wrapped"
for f in long unbroken; do
  awk -v e="$(right_edge $f)" 'BEGIN { exit !(e <= 592.5) }' || fail "$f: text reaches x $(right_edge $f)"
done
[ "$(pdftotext "$tmp/unbroken.pdf" - | tr -d '\n\f')" = "$(cat "$tmp/unbroken.txt")" ] || fail "a word cut at the margin loses letters"

# "Name" is 32 points wide in Helvetica 12; the tab takes Value to the stop at 53.376 (8 spaces of 3.336).
pdftotext -bbox "$tmp/tabs.pdf" - | grep -q 'xMin="73.376[0-9]*"[^>]*>Value<' || fail "tab stop: $(pdftotext -bbox "$tmp/tabs.pdf" - | grep Value)"
pdftotext -bbox "$tmp/tabs.pdf" - | grep -q 'xMin="46.688[0-9]*"[^>]*>indented<' || fail "a leading tab"

# Form feeds: three pages, and a form feed on an empty page adds none.
[ "$(pdfinfo "$tmp/feeds.pdf" | sed -n 's/^Pages: *//p')" = 3 ] || fail "form feeds: $(pdfinfo "$tmp/feeds.pdf" | grep Pages)"
[ "$(pdftotext -f 2 -l 2 "$tmp/feeds.pdf" - | words)" = "$(printf 'page\ntwo')" ] || fail "page two"
[ "$(pdftotext -f 3 -l 3 "$tmp/feeds.pdf" - | words)" = "$(printf 'page\nthree')" ] || fail "page three"
echo ok
