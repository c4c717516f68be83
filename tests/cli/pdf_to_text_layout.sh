#!/bin/sh
# pdf-to-text --layout, --lines and --list end to end on a two-column page
# written here by hand, with part of its text inside a form XObject.
# $1: the program, $2: the source tree.
set -u
prog=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

. "$2/tests/cli/lib/mkpdf.sh"

# The left column is shown first, then the right one, as two-column
# typesetters do; the last line of the right column lives in a form.
echo '<< /Type /Catalog /Pages 2 0 R >>' > "$tmp/o1"
echo '<< /Type /Pages /Kids [3 0 R] /Count 1 >>' > "$tmp/o2"
echo '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 5 0 R
   /Resources << /Font << /F1 4 0 R >> /XObject << /X1 6 0 R >> >> >>' > "$tmp/o3"
echo '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>' > "$tmp/o4"
cat > "$tmp/o5.stream" <<'X'
BT /F1 10 Tf 72 700 Td 14 TL (Left one alpha) Tj (Left two beta) ' (Left three gamma) ' ET
BT /F1 10 Tf 320 700 Td 14 TL (Right one delta) Tj (Right two) ' 1 0 0 rg [(epsi) -50 (lon)] TJ ET
/X1 Do
X
printf 'BT /F1 10 Tf 320 672 Td (Right three zeta) Tj ET' > "$tmp/o6.form"
mkpdf "$tmp/in.pdf" "$tmp/o1" "$tmp/o2" "$tmp/o3" "$tmp/o4" "$tmp/o5.stream" "$tmp/o6.form"

# --layout: each text line of both columns on one grid line, the right column
# starting at the same character position on every line.
"$prog" pdf-to-text "$tmp/in.pdf" -o "$tmp/layout.txt" --layout -q || fail "--layout exits $?"
tr -d '\r' < "$tmp/layout.txt" | grep -v '^ *$' > "$tmp/layout.lines"
[ "$(wc -l < "$tmp/layout.lines")" -eq 3 ] || fail "--layout lines: $(cat "$tmp/layout.lines")"
for pair in "Left one alpha.*Right one delta" "Left two beta.*Right two epsilon" \
            "Left three gamma.*Right three zeta"; do
  grep -q "$pair" "$tmp/layout.lines" || fail "--layout lost the columns ($pair): $(cat "$tmp/layout.lines")"
done
columns=$(sed 's/Right.*//' "$tmp/layout.lines" | awk '{ print length($0) }' | sort -u | wc -l)
[ "$columns" -eq 1 ] || fail "--layout right column not aligned: $(cat "$tmp/layout.lines")"
col=$(head -n 1 "$tmp/layout.lines" | sed 's/Left.*//' | awk '{ print length($0) }')
[ "$col" -eq 15 ] || fail "--layout left margin $col, want 72/5 rounded + 1"

# --lines: one line per text line, in the order shown, CR LF each; the run
# in another colour stays a line of its own.
"$prog" pdf-to-text "$tmp/in.pdf" -o "$tmp/lines.txt" --lines -q || fail "--lines exits $?"
printf 'Left one alpha\r\nLeft two beta\r\nLeft three gamma\r\nRight one delta\r\nRight two\r\nepsilon\r\nRight three zeta\r\n\r\n' \
  > "$tmp/lines.expected"
cmp -s "$tmp/lines.txt" "$tmp/lines.expected" || fail "--lines gave: $(od -c "$tmp/lines.txt" | head -20)"

# --list: font, colour, size, the four corners and the quoted text.
"$prog" pdf-to-text "$tmp/in.pdf" -o "$tmp/list.txt" --list -q || fail "--list exits $?"
grep -q '^"Helvetica",#000000,10,72,[0-9.-]*,[0-9.]*,[0-9.-]*,[0-9.]*,[0-9.]*,72,[0-9.]*,"Left one alpha"' "$tmp/list.txt" \
  || fail "--list gave: $(head -3 "$tmp/list.txt")"
grep -q '^"Helvetica",#FF0000,10,.*,"epsilon"' "$tmp/list.txt" || fail "--list colour: $(cat "$tmp/list.txt")"

"$prog" pdf-to-text "$tmp/in.pdf" --layout --lines 2> /dev/null; rc=$?
[ $rc -eq 2 ] || fail "--layout with --lines exits $rc"

# The first column's words in the order a peer reads them in its own layout.
if command -v pdftotext > /dev/null 2>&1; then
  pdftotext -layout "$tmp/in.pdf" "$tmp/peer.txt" || fail "pdftotext cannot read our fixture"
  # Both keep the columns apart on each line; what precedes the right
  # column's first word is the left column.
  first_column() { sed 's/Right.*//' "$1" | tr -s ' \r\n\f' '\n\n\n\n' | grep -v '^$'; }
  first_column "$tmp/peer.txt" > "$tmp/peer.words"
  first_column "$tmp/layout.txt" > "$tmp/our.words"
  cmp -s "$tmp/peer.words" "$tmp/our.words" || fail "first column differs from pdftotext: $(diff "$tmp/peer.words" "$tmp/our.words")"
fi
echo ok
