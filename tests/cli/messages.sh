#!/bin/sh
# What drevlin-convert says: one error line "drevlin-convert: FILE: reason",
# one closing line naming what was written, text to standard output with
# -o -, the extension typed with -o kept, and an output that is one of the
# inputs refused in every command, whatever name it is reached by.
# $1: the program, $2: the source tree.
set -u
prog=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$tmp" || exit 1

printf 'first line\nsecond line\n' > notes.txt
"$prog" text-to-pdf notes.txt -o doc.pdf -q || fail "cannot make a PDF"
printf 'not a pdf' > bad.pdf
"$prog" pdf-to-images doc.pdf -o img.bmp -q || fail "cannot make an image"

cp notes.txt orig.txt && cp doc.pdf orig.pdf && cp img1.bmp orig.bmp

# command | exit status | the only line on stderr (a pattern)
while IFS='|' read -r cmd want line; do
  sh -c "\"$prog\" $cmd --no-progress" > out 2> err; rc=$?
  [ "$rc" -eq "$want" ] || fail "$cmd: exit $rc, expected $want: $(cat err)"
  [ "$(wc -l < err)" -eq 1 ] || fail "$cmd: $(wc -l < err) error lines: $(cat err)"
  grep -qx "$line" err || fail "$cmd: said $(cat err)"
done <<'TABLE'
info missing.pdf|1|drevlin-convert: missing.pdf: no such file
info bad.pdf|1|drevlin-convert: bad.pdf: not a PDF file
pdf-to-text bad.pdf|1|drevlin-convert: bad.pdf: not a PDF file
split doc.pdf --pages 9|1|drevlin-convert: doc.pdf: the page list 9 names no page of the document
pdf-to-text doc.pdf -o doc.pdf|1|drevlin-convert: doc.pdf: the output would replace an input; nothing written
text-to-pdf notes.txt -o notes.txt|1|drevlin-convert: notes.txt: the output would replace an input; nothing written
copy doc.pdf -o ./doc.pdf|1|drevlin-convert: ./doc.pdf: the output would replace an input; nothing written
images-to-pdf img1.bmp -o img1.bmp|1|drevlin-convert: img1.bmp: the output would replace an input; nothing written
TABLE
cmp -s notes.txt orig.txt && cmp -s doc.pdf orig.pdf && cmp -s img1.bmp orig.bmp || fail "an input was changed"

# The same file through a symbolic or a hard link is the same file.
ln -s doc.pdf soft.pdf && ln notes.txt hard.txt
cp doc.pdf keep.pdf && cp notes.txt keep.txt
"$prog" pdf-to-text doc.pdf -o soft.pdf 2> err && fail "a symbolic link to the input was written"
"$prog" text-to-pdf notes.txt -o hard.txt 2> err && fail "a hard link to the input was written"
cp doc.pdf scan1.png
"$prog" pdf-to-images scan1.png -o scan.png 2> err && fail "a page file replaced the input"
cp doc.pdf part1.pdf
"$prog" split part1.pdf -o part.pdf 2> err && fail "split replaced its input"
cmp -s doc.pdf keep.pdf && cmp -s notes.txt keep.txt && cmp -s scan1.png keep.pdf && cmp -s part1.pdf keep.pdf ||
  fail "an input was changed"

# The closing line names what was written; -q keeps quiet.
"$prog" pdf-to-text doc.pdf -o out.txt > said || fail "pdf-to-text exits $?"
grep -qx "wrote out.txt" said || fail "closing line: $(cat said)"
"$prog" text-to-pdf notes.txt -o two.pdf -q > said && [ ! -s said ] || fail "-q still says: $(cat said)"
qpdf_pages() { "$prog" info "$1" | sed -n 's/^Pages: //p'; }
printf '%s\n' $(seq 40) > forty.txt && "$prog" text-to-pdf forty.txt -o two.pdf -q
[ "$(qpdf_pages two.pdf)" = 2 ] || fail "forty lines do not make two pages"
"$prog" pdf-to-images two.pdf -o page.jpeg --no-progress > said || fail "pdf-to-images exits $?"
grep -qx "wrote 2 pages to page1.jpeg ... page2.jpeg" said || fail "closing line: $(cat said)"
[ -f page1.jpeg ] && [ -f page2.jpeg ] || fail "-o page.jpeg did not keep its extension: $(ls)"
"$prog" pdf-to-images two.pdf -o page.png -f tif -j 1 -q && [ -f page1.tiff ] || fail "-f decides the extension"

# -o - writes the text to standard output and nothing else.
"$prog" pdf-to-text doc.pdf -o - > stdout.txt 2> err || fail "-o - exits $?"
"$prog" pdf-to-text doc.pdf -o file.txt -q
cmp -s stdout.txt file.txt || fail "-o - differs from the file: $(head -c 100 stdout.txt)"
[ ! -e ./- ] || fail "-o - made a file named -"
"$prog" pdf-to-images doc.pdf -o - 2> err; [ $? -eq 2 ] || fail "-o - for images is not a usage error"

# Options and their defaults are explained.
"$prog" --help > help
for word in "default: 72" "else png" "--layout" "--lines" "--list" "-o -" "number of processors" "--verbose"; do
  grep -q -- "$word" help || fail "--help does not mention $word"
done
echo ok
