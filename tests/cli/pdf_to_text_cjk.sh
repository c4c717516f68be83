#!/bin/sh
# pdf-to-text of Chinese, Japanese and Korean text shown through predefined
# CMaps, one page per family of national encodings, with fonts the file does
# not embed; and a page set in vertical columns.
# $1: the program, $2: the source tree.
set -u
prog=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

. "$2/tests/cli/lib/mkpdf.sh"

# font OBJ CMAP ORDERING SUPPLEMENT BASEFONT: a Type0 font over the CID font
# in object OBJ+1.
font() {
  echo "<< /Type /Font /Subtype /Type0 /BaseFont /$5 /Encoding /$2 /DescendantFonts [$(($1 + 1)) 0 R] >>" > "$tmp/o$1"
  echo "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /$5 /CIDSystemInfo << /Registry (Adobe) /Ordering ($3) /Supplement $4 >> /FontDescriptor << /Type /FontDescriptor /FontName /$5 /Flags 6 /FontBBox [0 -120 1000 880] /ItalicAngle 0 /Ascent 880 /Descent -120 /CapHeight 700 /StemV 80 >> >>" > "$tmp/o$(($1 + 1))"
}

echo '<< /Type /Catalog /Pages 2 0 R >>' > "$tmp/o1"
echo '<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R 6 0 R 7 0 R] /Count 5 /Resources << /Font << /GB 8 0 R /CNS 10 0 R /KR 12 0 R /JP 14 0 R /JPV 16 0 R >> >> >>' > "$tmp/o2"
for page in 3 4 5 6 7; do
  echo "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] /Contents $((page + 15)) 0 R >>" > "$tmp/o$page"
done
font 8 GBK-EUC-H GB1 2 STSong-Light
font 10 ETen-B5-H CNS1 0 MSung-Light
font 12 KSCms-UHC-H Korea1 1 HYGoThic-Medium
font 14 EUC-H Japan1 1 HeiseiMin-W3
font 16 90ms-RKSJ-V Japan1 2 HeiseiMin-W3
# 中文丂, 中文 a, 한글갂, 日本, and the columns 縦書き and テスト。, right to left.
printf 'BT /GB 20 Tf 20 250 Td <D6D0CEC48140> Tj ET' > "$tmp/o18.stream"
printf 'BT /CNS 20 Tf 20 250 Td <A4A4A4E5 2061> Tj ET' > "$tmp/o19.stream"
printf 'BT /KR 20 Tf 20 250 Td <C7D1B1DB8141> Tj ET' > "$tmp/o20.stream"
printf 'BT /JP 20 Tf 20 250 Td <C6FCCBDC> Tj ET' > "$tmp/o21.stream"
printf 'BT /JPV 20 Tf 200 280 Td <8F638F9182AB> Tj -30 0 Td <8365835883678142> Tj ET' > "$tmp/o22.stream"
objs=""
for n in $(seq 1 22); do
  if [ -e "$tmp/o$n.stream" ]; then objs="$objs $tmp/o$n.stream"; else objs="$objs $tmp/o$n"; fi
done
# shellcheck disable=SC2086
mkpdf "$tmp/cjk.pdf" $objs

"$prog" pdf-to-text "$tmp/cjk.pdf" -o "$tmp/out.txt" -q || fail "pdf-to-text exits $?"
printf '\344\270\255\346\226\207\344\270\202\r\n\344\270\255\346\226\207 a\r\n\355\225\234\352\270\200\352\260\202\r\n\346\227\245\346\234\254\r\n\347\270\246\346\233\270\343\201\215\r\n\343\203\206\343\202\271\343\203\210\343\200\202\r\n' > "$tmp/expected"
cmp -s "$tmp/out.txt" "$tmp/expected" || fail "text differs: $(od -c "$tmp/out.txt" | head -20)"

# The same characters as a peer reads with the same CMaps.
if command -v pdftotext > /dev/null 2>&1 && [ -d /usr/share/poppler/cMap ]; then
  for page in 1 2 3 4; do
    pdftotext -raw -f $page -l $page "$tmp/cjk.pdf" - | tr -d ' \r\n\f' > "$tmp/peer"
    "$prog" pdf-to-text "$tmp/cjk.pdf" -o "$tmp/page.txt" --pages $page -q || fail "page $page exits $?"
    tr -d ' \r\n' < "$tmp/page.txt" > "$tmp/ours"
    cmp -s "$tmp/peer" "$tmp/ours" || fail "page $page differs from pdftotext: $(cat "$tmp/peer") / $(cat "$tmp/ours")"
  done
fi
echo ok
