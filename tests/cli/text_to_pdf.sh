#!/bin/sh
# text-to-pdf end to end: page counts, page size, the text that comes back
# out, and the file checked by the peer tools that are installed.
# $1: the program, $2: the source tree.
set -u
prog=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
have() { command -v "$1" > /dev/null 2>&1; }

# lines N FILE: N numbered lines
lines() {
  i=1
  while [ "$i" -le "$1" ]; do echo "Line number $i of the notes"; i=$((i + 1)); done > "$2"
}

convert() {  # convert NAME: NAME.txt to NAME.pdf
  "$prog" text-to-pdf "$tmp/$1.txt" -o "$tmp/$1.pdf" -q 2> "$tmp/$1.err" || fail "$1: exit $?: $(cat "$tmp/$1.err")"
  [ -s "$tmp/$1.pdf" ] || fail "$1: no output"
  head -c 5 "$tmp/$1.pdf" | grep -q '%PDF-' || fail "$1: not a PDF"
  if have qpdf; then qpdf --check "$tmp/$1.pdf" > "$tmp/$1.check" 2>&1 || fail "$1: qpdf --check: $(cat "$tmp/$1.check")"; fi
}

pages() { pdfinfo "$tmp/$1.pdf" | sed -n 's/^Pages: *//p'; }

# The non-blank lines pdftotext reads from page P of NAME, trailing blanks cut.
page_text() {
  pdftotext -layout -enc UTF-8 -f "$2" -l "$2" "$tmp/$1.pdf" - | tr -d '\f' | sed 's/[[:space:]]*$//' | grep -v '^$'
}

: > "$tmp/empty.txt"
lines 36 "$tmp/l36.txt"
lines 37 "$tmp/l37.txt"
lines 100 "$tmp/l100.txt"
# CR LF, a lone CR and a last line without a terminator: 37 lines again.
{ i=1; while [ $i -le 35 ]; do printf 'row %d\r\n' $i; i=$((i + 1)); done; printf 'row 36\rrow 37'; } > "$tmp/crlf.txt"
printf 'Caf\303\251 na\303\257ve \342\202\254 5\nStra\303\237e \303\205ngstr\303\266m\n' > "$tmp/utf8.txt"
printf 'Caf\351 na\357ve \200 5\nStra\337e \305ngstr\366m\n' > "$tmp/cp1252.txt"
# Characters outside Windows-1252 are kept (in an embedded font); the others stay in Helvetica.
printf '\305\201\303\263d\305\272 ok\n\344\270\255\346\226\207\nend (1) \\ done\n' > "$tmp/foreign.txt"

for f in empty l36 l37 l100 crlf utf8 cp1252 foreign; do convert $f; done

# Each line is shown as one string in the page's own stream.
grep -q "Tj" "$tmp/l36.pdf" || fail "no text operators in the uncompressed content"

if have pdfinfo; then
  [ "$(pages empty)" = 1 ] || fail "empty file: $(pages empty) pages"
  pdfinfo "$tmp/empty.pdf" | grep -q 'Page size: *612 x 792 pts' || fail "empty file: page size"
  [ "$(pages l36)" = 1 ] || fail "36 lines: $(pages l36) pages"
  [ "$(pages l37)" = 2 ] || fail "37 lines: $(pages l37) pages"
  [ "$(pages l100)" = 3 ] || fail "100 lines: $(pages l100) pages"
  [ "$(pages crlf)" = 2 ] || fail "CR LF file: $(pages crlf) pages"
  pdfinfo -f 1 -l 3 "$tmp/l100.pdf" | grep -c 'size: *612 x 792' | grep -q '^3$' || fail "100 lines: page sizes"
else
  echo "pdfinfo not installed: page counts not checked"
fi

if have pdffonts; then
  pdffonts "$tmp/l36.pdf" | grep -q '^Helvetica  *Type 1  *WinAnsi  *no ' || fail "pdffonts: $(pdffonts "$tmp/l36.pdf")"
  [ "$(pdffonts "$tmp/l100.pdf" | grep -c Helvetica)" = 1 ] || fail "the font is not shared by the pages"
fi

if have pdftotext; then
  page_text l36 1 > "$tmp/out36"
  cmp -s "$tmp/out36" "$tmp/l36.txt" || fail "36 lines do not read back: $(diff "$tmp/l36.txt" "$tmp/out36" | head -5)"
  [ -z "$(page_text l37 2)" ] || fail "the second page of 37 lines is not empty"
  page_text l37 1 | cmp -s - "$tmp/l37.txt" || fail "37 lines do not read back on page 1"
  page_text l100 3 | head -1 | grep -qx 'Line number 75 of the notes' || fail "page 3 does not start with line 75"
  page_text crlf 2 | grep -qx 'row 37' && fail "row 37 belongs on page 1"
  page_text crlf 1 | tail -1 | grep -qx 'row 37' || fail "CR LF: last row missing"
  expected=$(printf 'Caf\303\251 na\303\257ve \342\202\254 5\nStra\303\237e \303\205ngstr\303\266m')
  [ "$(page_text utf8 1)" = "$expected" ] || fail "UTF-8 accents: $(page_text utf8 1)"
  [ "$(page_text cp1252 1)" = "$expected" ] || fail "Windows-1252 accents: $(page_text cp1252 1)"
  expected=$(printf '\305\201\303\263d\305\272 ok\n\344\270\255\346\226\207\nend (1) \\ done')
  [ "$(page_text foreign 1)" = "$expected" ] || fail "foreign characters: $(page_text foreign 1)"
else
  echo "pdftotext not installed: text not checked"
fi
echo ok
