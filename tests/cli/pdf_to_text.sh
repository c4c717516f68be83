#!/bin/sh
# pdf-to-text end to end on PDFs written here by hand: text operators, page
# selection, encrypted input, and a document without fonts.
# $1: the program, $2: the source tree.
set -u
prog=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

. "$2/tests/cli/lib/mkpdf.sh"

# Two pages that take their font from the page tree node above them.
echo '<< /Type /Catalog /Pages 2 0 R >>' > "$tmp/o1"
echo '<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /Resources << /Font << /F1 5 0 R >> >> >>' > "$tmp/o2"
echo '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 6 0 R >>' > "$tmp/o3"
echo '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 7 0 R >>' > "$tmp/o4"
echo '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>' > "$tmp/o5"
cat > "$tmp/o6.stream" <<'EOF'
BT /F1 12 Tf 72 720 Td (Hello, world!) Tj
0 -20 Td [(Ker) 20 (ned) -300 (Te) 30 (xt)] TJ
0 -20 Td (Caf\351 \200 5) Tj ET
BT 1 0 0 1 72 600 Tm 14 TL (First) Tj (Second line) ' 0 0 (Third line) " T* (Fourth) Tj
0 -30 TD (Fifth) Tj ET
EOF
printf 'BT /F1 10 Tf 50 700 Td (Page two) Tj ET' > "$tmp/o7.stream"
mkpdf "$tmp/in.pdf" "$tmp/o1" "$tmp/o2" "$tmp/o3" "$tmp/o4" "$tmp/o5" "$tmp/o6.stream" "$tmp/o7.stream"

# The text file is UTF-8, each page's text followed by CR LF; a gap and a line
# break come out as a space before the CR LF.
printf 'Hello, world! \r\nKerned Text \r\nCaf\303\251 \342\202\254 5 \r\n\r\nFirst\r\nSecond line\r\nThird line\r\nFourth\r\nFifth\r\nPage two\r\n' > "$tmp/expected"

"$prog" pdf-to-text "$tmp/in.pdf" -o "$tmp/out.txt" -q || fail "pdf-to-text exits $?"
cmp -s "$tmp/out.txt" "$tmp/expected" || fail "text differs: $(od -c "$tmp/out.txt" | head -20)"

"$prog" pdf-to-text "$tmp/in.pdf" -o "$tmp/page2.txt" --pages 2 -q || fail "--pages 2 exits $?"
printf 'Page two\r\n' | cmp -s - "$tmp/page2.txt" || fail "--pages 2 gave: $(od -c "$tmp/page2.txt")"

# The same words as a peer finds, whatever the spacing.
if command -v pdftotext > /dev/null 2>&1; then
  pdftotext -raw "$tmp/in.pdf" "$tmp/peer.txt" || fail "pdftotext cannot read our fixture"
  tr -s ' \r\n\f' '\n\n\n\n' < "$tmp/peer.txt" | grep -v '^$' > "$tmp/peer.words"
  tr -s ' \r\n' '\n\n\n' < "$tmp/out.txt" | grep -v '^$' > "$tmp/our.words"
  cmp -s "$tmp/peer.words" "$tmp/our.words" || fail "words differ from pdftotext: $(diff "$tmp/peer.words" "$tmp/our.words")"
fi

# Encrypted input: a user password must be given; an empty one opens by itself.
if command -v qpdf > /dev/null 2>&1; then
  qpdf --encrypt secret owner 256 -- "$tmp/in.pdf" "$tmp/aes.pdf" || fail "qpdf --encrypt"
  "$prog" pdf-to-text "$tmp/aes.pdf" -o "$tmp/aes.txt" --password secret -q || fail "password file exits $?"
  cmp -s "$tmp/aes.txt" "$tmp/expected" || fail "encrypted text differs: $(od -c "$tmp/aes.txt" | head)"
  "$prog" pdf-to-text "$tmp/aes.pdf" -o "$tmp/nopw.txt" 2> "$tmp/err"; rc=$?
  [ $rc -eq 1 ] || fail "missing password exits $rc"
  grep -q "password" "$tmp/err" || fail "missing password error: $(cat "$tmp/err")"
  qpdf --encrypt "" owner 256 -- "$tmp/in.pdf" "$tmp/open.pdf" || fail "qpdf --encrypt with an empty password"
  "$prog" pdf-to-text "$tmp/open.pdf" -o "$tmp/open.txt" -q || fail "empty-password file exits $?"
  cmp -s "$tmp/open.txt" "$tmp/expected" || fail "empty-password text differs: $(od -c "$tmp/open.txt" | head)"
  # RC4 as older writers made it (newer qpdf asks before writing it).
  if qpdf --allow-weak-crypto --encrypt "" owner 128 --use-aes=n -- "$tmp/in.pdf" "$tmp/rc4.pdf" 2> /dev/null; then
    "$prog" pdf-to-text "$tmp/rc4.pdf" -o "$tmp/rc4.txt" -q || fail "RC4 file exits $?"
    cmp -s "$tmp/rc4.txt" "$tmp/expected" || fail "RC4 text differs: $(od -c "$tmp/rc4.txt" | head)"
  fi
fi

# What a reader of the page sees: a label parked above a small page is left
# out, Hebrew drawn in visual order reads in logical order, and a span's
# /ActualText stands for its glyphs.
echo '<< /Type /Pages /Kids [3 0 R] /Count 1 >>' > "$tmp/o2"
echo '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R /Resources << /Font << /F1 5 0 R /F2 6 0 R >> >> >>' > "$tmp/o3"
cat > "$tmp/o4.stream" <<'EOF'
BT /F1 12 Tf 10 70 Td (Visible) Tj ET
BT /F1 12 Tf 10 500 Td (Parked) Tj ET
BT /F2 12 Tf 10 50 Td (ABC DE) Tj ET
BT /F1 12 Tf 10 30 Td /Span << /ActualText (fluffy) >> BDC (\001) Tj EMC ET
EOF
echo '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>' > "$tmp/o5"
echo '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding /ToUnicode 7 0 R >>' > "$tmp/o6"
printf '/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n1 begincodespacerange <00> <FF> endcodespacerange\n1 beginbfrange <41> <45> <05D0> endbfrange\nendcmap end end' > "$tmp/o7.stream"
mkpdf "$tmp/seen.pdf" "$tmp/o1" "$tmp/o2" "$tmp/o3" "$tmp/o4.stream" "$tmp/o5" "$tmp/o6" "$tmp/o7.stream"
"$prog" pdf-to-text "$tmp/seen.pdf" -o "$tmp/seen.txt" -q || fail "seen.pdf exits $?"
printf 'Visible \r\n\r\n\327\224\327\223 \327\222\327\221\327\220 \r\nfluffy\r\n' > "$tmp/expected"
cmp -s "$tmp/seen.txt" "$tmp/expected" || fail "seen.pdf text differs: $(od -c "$tmp/seen.txt" | head -20)"
if command -v pdftotext > /dev/null 2>&1; then
  # The peer marks right-to-left runs with embedding controls; the words
  # are the same, in another order.
  pdftotext -raw "$tmp/seen.pdf" - | LC_ALL=C sed 's/\xe2\x80\xab//g; s/\xe2\x80\xac//g' | tr -s ' \r\n\f' '\n\n\n\n' | grep -v '^$' | sort > "$tmp/peer.words"
  tr -s ' \r\n' '\n\n\n' < "$tmp/seen.txt" | grep -v '^$' | sort > "$tmp/our.words"
  cmp -s "$tmp/peer.words" "$tmp/our.words" || fail "seen.pdf words differ from pdftotext: $(diff "$tmp/peer.words" "$tmp/our.words")"
fi

# No fonts anywhere: nothing is written and the run fails.
echo '<< /Type /Pages /Kids [3 0 R] /Count 1 >>' > "$tmp/o2"
echo '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>' > "$tmp/o3"
printf '0 0 m 100 100 l S' > "$tmp/o4.stream"
mkpdf "$tmp/nofont.pdf" "$tmp/o1" "$tmp/o2" "$tmp/o3" "$tmp/o4.stream"
"$prog" pdf-to-text "$tmp/nofont.pdf" -o "$tmp/none.txt" 2> "$tmp/err"; rc=$?
[ $rc -eq 1 ] || fail "a PDF without fonts exits $rc"
grep -q "No text found!" "$tmp/err" || fail "no-font message: $(cat "$tmp/err")"
[ ! -e "$tmp/none.txt" ] || fail "a PDF without fonts wrote a text file"
echo ok
