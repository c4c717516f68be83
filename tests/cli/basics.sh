#!/bin/sh
# Usage, exit codes and one-line errors of drevlin-convert.
# $1: the program, $2: the source tree.
set -u
prog=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$prog" --help > "$tmp/help" || fail "--help exits non-zero"
for c in pdf-to-images pdf-to-text text-to-pdf images-to-pdf split info copy; do
  grep -q "$c" "$tmp/help" || fail "--help does not list $c"
done
"$prog" --version | grep -q "Drevlin PDF Converter 1.0" || fail "--version"

"$prog" info "$tmp/missing.pdf" 2> "$tmp/err"; rc=$?
[ $rc -eq 1 ] || fail "info on a missing file exits $rc"
[ "$(wc -l < "$tmp/err")" -eq 1 ] || fail "info on a missing file prints more than one line"
grep -q "missing.pdf" "$tmp/err" || fail "the error does not name the file"

printf 'not a pdf' > "$tmp/bad.pdf"
"$prog" info "$tmp/bad.pdf" 2> "$tmp/err"; rc=$?
[ $rc -eq 1 ] || fail "info on a non-PDF exits $rc"
grep -q "not a PDF file" "$tmp/err" || fail "non-PDF error: $(cat "$tmp/err")"

"$prog" 2> /dev/null; [ $? -eq 2 ] || fail "no command is not a usage error"
"$prog" frobnicate x 2> /dev/null; [ $? -eq 2 ] || fail "unknown command is not a usage error"
"$prog" info 2> /dev/null; [ $? -eq 2 ] || fail "missing input is not a usage error"
"$prog" copy "$tmp/bad.pdf" 2> /dev/null; [ $? -eq 2 ] || fail "copy without -o is not a usage error"
"$prog" pdf-to-images x.pdf -f webp 2> /dev/null; [ $? -eq 2 ] || fail "unknown format is not a usage error"
"$prog" pdf-to-images x.pdf -r 0 2> /dev/null; [ $? -eq 2 ] || fail "zero dpi is not a usage error"
echo ok
