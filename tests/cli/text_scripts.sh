#!/bin/sh
# text-to-pdf of every script: text outside Windows-1252 is set in embedded
# subset TrueType fonts with ToUnicode maps, so it reads back exactly; text
# Windows-1252 can show stays in Helvetica. Skipped without poppler's tools.
# $1: the program, $2: the source tree.
set -u
prog=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
have() { command -v "$1" > /dev/null 2>&1; }
if ! have pdftotext || ! have pdffonts; then echo "poppler-utils not installed: skipped"; exit 0; fi

printf 'Съешь же ещё этих мягких французских булок, да выпей чаю.\nЁлка и щётка\n' > "$tmp/russian.txt"
printf 'Ξεσκεπάζω την ψυχοφθόρα βδελυγμία.\n' > "$tmp/greek.txt"
printf 'いろはにほへと ちりぬるを\n東京都の天気は晴れです。\n' > "$tmp/japanese.txt"
printf '我能吞下玻璃而不伤身体。\n北京欢迎你\n' > "$tmp/chinese.txt"
printf '다람쥐 헌 쳇바퀴에 타고파\n' > "$tmp/korean.txt"
printf 'Latin line, café 5 €\nРусский, Ελληνικά, 日本語のかな, 中文, 한국어 and ASCII\nTabbed:\tÜnïcödé ŁÓDŹ\n' > "$tmp/mixed.txt"
printf 'Only Latin: na\303\257ve caf\303\251 \342\202\254\n' > "$tmp/latin.txt"

for f in russian greek japanese chinese korean mixed latin; do
  "$prog" text-to-pdf "$tmp/$f.txt" -o "$tmp/$f.pdf" -q || fail "$f: exit $?"
  if have qpdf; then qpdf --check "$tmp/$f.pdf" > "$tmp/check" 2>&1 || fail "$f: qpdf --check: $(cat "$tmp/check")"; fi
  # pdftotext ends the page with a form feed; tabs come back as spaces.
  pdftotext -enc UTF-8 "$tmp/$f.pdf" - | tr -d '\f' | sed '/^$/d' > "$tmp/$f.out"
  sed 's/\t/ /' "$tmp/$f.txt" | cmp -s - "$tmp/$f.out" || fail "$f reads back as: $(cat "$tmp/$f.out")"
  pdffonts "$tmp/$f.pdf" | tail -n +3 > "$tmp/$f.fonts"
  if [ $f = latin ]; then
    grep -qv '^Helvetica ' "$tmp/$f.fonts" && fail "Latin text took another font: $(cat "$tmp/$f.fonts")"
    continue
  fi
  # Every embedded font is a subset (ABCDEF+Name), embedded, with ToUnicode.
  grep -q 'CID TrueType' "$tmp/$f.fonts" || fail "$f: no embedded font: $(cat "$tmp/$f.fonts")"
  grep 'CID TrueType' "$tmp/$f.fonts" | grep -qv '^[A-Z]\{6\}+[^ ]* *CID TrueType *Identity-H *yes yes yes' &&
    fail "$f: $(cat "$tmp/$f.fonts")"
done
grep -q 'LiberationSans' "$tmp/russian.fonts" || fail "Cyrillic is not set in Liberation Sans"
# Each East Asian script in its own font, where that font is installed.
uses() {  # uses FILE FAMILY POSTSCRIPT-NAME
  fc-list ":family=$2" family | grep -q . || return 0
  grep -q "+$3 " "$tmp/$1.fonts" || fail "$1 is not set in $2: $(cat "$tmp/$1.fonts")"
}
uses japanese IPAGothic IPAGothic
uses chinese "WenQuanYi Zen Hei" WenQuanYiZenHei
uses korean UnDotum UnDotum
echo ok
