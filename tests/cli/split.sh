#!/bin/sh
# drevlin-convert split: one file per page, named from -o, checked by qpdf.
# $1: the program, $2: the source tree.
set -u
prog=$1
command -v qpdf > /dev/null || { echo "qpdf absent: skipped"; exit 0; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

: > "$tmp/empty.txt"
"$prog" text-to-pdf "$tmp/empty.txt" -o "$tmp/one.pdf" || fail "cannot make a one-page PDF"
qpdf --empty --pages "$tmp/one.pdf" "$tmp/one.pdf" "$tmp/one.pdf" -- "$tmp/book.pdf"

mkdir "$tmp/out.dir"
"$prog" split "$tmp/book.pdf" -o "$tmp/out.dir/part.pdf" --no-progress || fail "split exits non-zero"
for n in 1 2 3; do
  [ -f "$tmp/out.dir/part$n.pdf" ] || fail "part$n.pdf missing"
  qpdf --check "$tmp/out.dir/part$n.pdf" > /dev/null || fail "part$n.pdf fails qpdf --check"
  [ "$(qpdf --show-npages "$tmp/out.dir/part$n.pdf")" = 1 ] || fail "part$n.pdf is not one page"
done
[ ! -e "$tmp/out.dir/part4.pdf" ] || fail "a fourth part was written"

# Without -o the parts are named after the input, in -O.
mkdir "$tmp/o"
"$prog" split "$tmp/book.pdf" -O "$tmp/o" --pages 2-3 --no-progress || fail "split --pages exits non-zero"
[ -f "$tmp/o/book2.pdf" ] && [ -f "$tmp/o/book3.pdf" ] && [ ! -e "$tmp/o/book1.pdf" ] || fail "--pages 2-3: $(ls "$tmp/o")"

# A page list naming no page of the document is a failure, not an empty success.
"$prog" split "$tmp/book.pdf" -O "$tmp/o" --pages 7 2> "$tmp/err"; rc=$?
[ $rc -eq 1 ] || fail "--pages 7 of 3 exits $rc"

# Splitting onto the input itself never touches it.
cp "$tmp/one.pdf" "$tmp/self1.pdf"
cp "$tmp/self1.pdf" "$tmp/keep.pdf"
"$prog" split "$tmp/self1.pdf" -o "$tmp/self.pdf" 2> "$tmp/err"; rc=$?
[ $rc -eq 1 ] || fail "split onto the input exits $rc"
cmp -s "$tmp/self1.pdf" "$tmp/keep.pdf" || fail "the input was changed"

printf 'not a pdf' > "$tmp/bad.pdf"
"$prog" split "$tmp/bad.pdf" -O "$tmp/o" 2> "$tmp/err"; rc=$?
[ $rc -eq 1 ] || fail "split of a non-PDF exits $rc"
[ "$(wc -l < "$tmp/err")" -eq 1 ] || fail "more than one error line: $(cat "$tmp/err")"
echo ok
