#!/bin/sh
# Damaged and encrypted inputs: every command either works or fails with one
# line and exit status 1; none crashes or hangs (the sanitizer build runs
# this too). $1: the program, $2: the source tree.
set -u
prog=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

good=$src/examples/sample.pdf
size=$(wc -c < "$good")

# One damaged variant per way a file goes wrong.
head -c $((size / 2)) "$good" > "$tmp/truncated-half.pdf"
head -c $((size - 30)) "$good" > "$tmp/truncated-tail.pdf"
head -c 200 "$good" > "$tmp/truncated-head.pdf"
{ printf 'JUNK BEFORE THE HEADER\n%.0s' $(seq 5); cat "$good"; } > "$tmp/junk-before.pdf"
sed 's/^startxref$/startxref/; /^startxref$/{n;s/.*/999999/}' "$good" > "$tmp/wrong-startxref.pdf"
sed 's/^\([0-9]\{10\}\) 00000 n $/0000000000 00000 n /' "$good" > "$tmp/zeroed-offsets.pdf"
sed 's/^xref$/xerf/' "$good" > "$tmp/no-xref-keyword.pdf"
sed 's|/Root [0-9]* 0 R|/Root 999 0 R|' "$good" > "$tmp/missing-root.pdf"
printf '%%PDF-1.4\n%%%%EOF\n' > "$tmp/header-only.pdf"
: > "$tmp/empty.pdf"

for f in "$tmp"/*.pdf; do
  name=$(basename "$f")
  for cmd in info pdf-to-text split pdf-to-images copy; do
    out=$tmp/out-$name-$cmd
    mkdir -p "$out"
    timeout 60 "$prog" $cmd "$f" -O "$out" -o "$out/x.pdf" --no-progress > /dev/null 2> "$tmp/err"
    rc=$?
    [ $rc -le 1 ] || fail "$cmd $name exits $rc: $(head -c 300 "$tmp/err")"
    if [ $rc -eq 1 ]; then
      [ "$(wc -l < "$tmp/err")" -eq 1 ] || fail "$cmd $name prints more than one line: $(cat "$tmp/err")"
    fi
  done 2> /dev/null
done

# Junk before the header still loads.
"$prog" info "$tmp/junk-before.pdf" | grep -q "^Pages: 1$" || fail "junk before the header does not load"

if command -v qpdf > /dev/null; then
  qpdf --encrypt user owner 256 -- "$good" "$tmp/locked.pdf"
  "$prog" info "$tmp/locked.pdf" 2> "$tmp/err"; rc=$?
  [ $rc -eq 1 ] && grep -qx "drevlin-convert: .*locked.pdf: the file is encrypted: give its password with --password" "$tmp/err" ||
    fail "no password: exit $rc, $(cat "$tmp/err")"
  "$prog" info "$tmp/locked.pdf" --password nope 2> "$tmp/err"; rc=$?
  [ $rc -eq 1 ] && grep -qx "drevlin-convert: .*locked.pdf: wrong password" "$tmp/err" || fail "wrong password: exit $rc"
  "$prog" info "$tmp/locked.pdf" --password user | grep -q "^Encrypted: AES 256$" || fail "user password"
  "$prog" info "$tmp/locked.pdf" --password owner | grep -q "^Pages: 1$" || fail "owner password"
  qpdf --allow-weak-crypto --encrypt "" owner 128 -- "$good" "$tmp/open.pdf"
  "$prog" info "$tmp/open.pdf" | grep -q "^Encrypted: RC4 128$" || fail "empty user password"
  "$prog" copy "$tmp/open.pdf" -o "$tmp/open-copy.pdf" || fail "copy of an encrypted file"
  qpdf --check "$tmp/open-copy.pdf" > /dev/null || fail "copy of an encrypted file fails qpdf --check"
fi

# Damaged page trees split into their real pages and say so.
. "$src/tests/cli/lib/mkpdf.sh"
echo '<< /Type /Catalog /Pages 2 0 R >>' > "$tmp/catalog"
echo '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>' > "$tmp/page"
echo '<< /Type /Pages /Kids [3 0 R 2 0 R] /Count 2 >>' > "$tmp/kids-loop"
echo '<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 1000 >>' > "$tmp/count-high"
mkpdf "$tmp/kids-loop.pdf" "$tmp/catalog" "$tmp/kids-loop" "$tmp/page"
mkpdf "$tmp/count-high.pdf" "$tmp/catalog" "$tmp/count-high" "$tmp/page" "$tmp/page"
for tree in kids-loop count-high; do
  mkdir "$tmp/$tree.out"
  "$prog" split "$tmp/$tree.pdf" -o "$tmp/$tree.out/p.pdf" --no-progress 2> "$tmp/err"; rc=$?
  [ $rc -eq 1 ] && grep -q "the page tree is damaged" "$tmp/err" || fail "$tree: exit $rc, $(cat "$tmp/err")"
  [ -f "$tmp/$tree.out/p1.pdf" ] || fail "$tree: the real first page was not written"
done
[ ! -e "$tmp/kids-loop.out/p2.pdf" ] && [ -f "$tmp/count-high.out/p2.pdf" ] && [ ! -e "$tmp/count-high.out/p3.pdf" ] ||
  fail "pages that are not real were written: $(ls "$tmp"/*.out)"

# Damage read around (an object missing from its offset) still converts,
# exit 0: one line counts the warnings, -v prints each; two render jobs
# report what their own readers found.
echo '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Resources << /Font << /F1 4 0 R >> >> /Contents [5 0 R 6 0 R] >>' > "$tmp/text-page"
echo '<< /Type /Pages /Kids [3 0 R 7 0 R] /Count 2 >>' > "$tmp/two-pages"
echo '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>' > "$tmp/font"
printf 'BT /F1 12 Tf 20 100 Td (Still here) Tj ET' > "$tmp/first.stream"
printf 'BT /F1 12 Tf 20 50 Td (Lost) Tj ET' > "$tmp/second.stream"
mkpdf "$tmp/misplaced.pdf" "$tmp/catalog" "$tmp/two-pages" "$tmp/text-page" "$tmp/font" \
  "$tmp/first.stream" "$tmp/second.stream" "$tmp/text-page"
sed -i 's/^6 0 obj$/6 0 jbo/' "$tmp/misplaced.pdf"
mkdir "$tmp/warned"
for cmd in pdf-to-text "pdf-to-images -j 2" split; do
  "$prog" $cmd "$tmp/misplaced.pdf" -o "$tmp/warned/out.x" --no-progress > /dev/null 2> "$tmp/err" ||
    fail "$cmd of a file with warnings: exit $?, $(cat "$tmp/err")"
  grep -qx "drevlin-convert: .*misplaced.pdf: [0-9]* warnings\? about damage that was read around (-v shows them)" \
    "$tmp/err" || fail "$cmd: no warning count: $(cat "$tmp/err")"
  "$prog" -v $cmd "$tmp/misplaced.pdf" -o "$tmp/warned/out.x" --no-progress -q 2> "$tmp/err" || fail "-v $cmd exits $?"
  grep -q "^drevlin-convert: .*misplaced.pdf: warning: object 6 0: " "$tmp/err" || fail "-v $cmd: $(cat "$tmp/err")"
  # (Sanitizer builds add their own report at exit: only our lines count.)
  ! grep "^drevlin-convert: " "$tmp/err" | grep -qv "warning: " || fail "-v $cmd prints more than warnings: $(cat "$tmp/err")"
done
grep -q "Still here" "$tmp/warned/out.x" || fail "the text around the damage is lost"
echo ok
