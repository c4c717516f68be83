#!/bin/sh
# pdf-to-images end to end: one file per page in each of the five formats,
# named by page number, sized from the page box and rotation; an output
# folder that cannot be written fails with one line.
# $1: the program, $2: the source tree.
set -u
prog=$1
tmp=$(mktemp -d)
trap 'chmod -R u+w "$tmp" 2> /dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A two-page PDF written by hand: page 1 is 200 x 100 points with a red
# box; page 2 is 300 x 400 points turned by /Rotate 90 (so 400 x 300 pixels).
pdf=$tmp/doc.pdf
offsets=""
obj() {  # number, body
  offsets="$offsets $(wc -c < "$pdf")"
  printf '%s 0 obj\n%s\nendobj\n' "$1" "$2" >> "$pdf"
}
content='1 0 0 rg 10 10 50 30 re f'
printf '%%PDF-1.4\n' > "$pdf"
obj 1 '<< /Type /Catalog /Pages 2 0 R >>'
obj 2 '<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>'
obj 3 '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 5 0 R >>'
obj 4 '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] /Rotate 90 /Contents 5 0 R >>'
obj 5 "<< /Length ${#content} >>
stream
$content
endstream"
xref=$(wc -c < "$pdf")
{
  printf 'xref\n0 6\n0000000000 65535 f \n'
  for o in $offsets; do printf '%010d 00000 n \n' "$o"; done
  printf 'trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n%s\n%%%%EOF\n' "$xref"
} >> "$pdf"

# Unsigned integers from a file: bytes at an offset, little or big endian.
le16() { od -An -tu1 -j "$2" -N2 "$1" | awk '{ print $1 + 256 * $2 }'; }
le32() { od -An -tu1 -j "$2" -N4 "$1" | awk '{ print $1 + 256 * ($2 + 256 * ($3 + 256 * $4)) }'; }
be32() { od -An -tu1 -j "$2" -N4 "$1" | awk '{ print $4 + 256 * ($3 + 256 * ($2 + 256 * $1)) }'; }
magic() { od -An -tx1 -N4 "$1" | tr -d ' \n'; }

size_of() {  # file format -> "W H"
  case $2 in
    png) echo "$(be32 "$1" 16) $(be32 "$1" 20)" ;;
    bmp) echo "$(le32 "$1" 18) $(le32 "$1" 22)" ;;
    gif) echo "$(le16 "$1" 6) $(le16 "$1" 8)" ;;
    *) if command -v file > /dev/null; then
         file -b "$1" | sed -n 's/.*[ ,]\([0-9][0-9]*\)x\([0-9][0-9]*\),.*/\1 \2/p; s/.*height=\([0-9]*\),.*width=\([0-9]*\).*/\2 \1/p'
       else echo "unchecked"; fi ;;
  esac
}

for f in png bmp jpg gif tiff; do
  mkdir -p "$tmp/out"
  "$prog" pdf-to-images "$pdf" -f "$f" -r 72 -o "$tmp/out/doc.$f" 2> "$tmp/err" || fail "$f: exit $?: $(cat "$tmp/err")"
  [ "$(ls "$tmp/out")" = "$(printf 'doc1.%s\ndoc2.%s' "$f" "$f")" ] || fail "$f: files $(ls "$tmp/out")"
  case $f in
    png) m=89504e47 ;; bmp) m=424d* ;; jpg) m=ffd8ff* ;; gif) m=47494638 ;; tiff) m=49492a00 ;;
  esac
  # shellcheck disable=SC2254
  case $(magic "$tmp/out/doc1.$f") in $m) ;; *) fail "$f: not a $f file" ;; esac
  for expected in "1 200 100" "2 400 300"; do
    set -- $expected
    got=$(size_of "$tmp/out/doc$1.$f" "$f")
    [ "$got" = "unchecked" ] || [ "$got" = "$2 $3" ] || fail "$f page $1: size $got, expected $2 $3"
  done
  rm -rf "$tmp/out"
done

# The page number also goes before the extension when the folder has a dot,
# and at the end of a name without one.
mkdir -p "$tmp/out.d"
"$prog" pdf-to-images "$pdf" -o "$tmp/out.d/scan.png" 2> "$tmp/err" || fail "out.d: $(cat "$tmp/err")"
[ -f "$tmp/out.d/scan1.png" ] && [ -f "$tmp/out.d/scan2.png" ] || fail "out.d: $(ls "$tmp/out.d")"

# Folders that cannot be written: a plain file in the way (refuses even
# root), and a read-only folder (refuses everyone else).
: > "$tmp/plain"
targets="$tmp/plain/doc.png"
mkdir "$tmp/locked" && chmod 555 "$tmp/locked"
[ "$(id -u)" -ne 0 ] && targets="$targets $tmp/locked/doc.png"
for target in $targets; do
  "$prog" pdf-to-images "$pdf" -o "$target" 2> "$tmp/err"; rc=$?
  [ $rc -eq 1 ] || fail "unwritable $target: exit $rc"
  [ "$(wc -l < "$tmp/err")" -eq 1 ] || fail "unwritable $target: $(cat "$tmp/err")"
  grep -q "cannot write .*doc1.png.*403" "$tmp/err" || fail "unwritable $target: $(cat "$tmp/err")"
done
[ -z "$(ls "$tmp/locked")" ] || fail "a file was left in the locked folder"
# Two jobs write the same files as one.
mkdir "$tmp/j1" "$tmp/j2"
"$prog" pdf-to-images "$pdf" -f bmp -O "$tmp/j1" --no-progress || fail "-j 1 exits non-zero"
"$prog" pdf-to-images "$pdf" -f bmp -O "$tmp/j2" -j 2 --no-progress || fail "-j 2 exits non-zero"
for n in 1 2; do
  cmp -s "$tmp/j1/doc$n.bmp" "$tmp/j2/doc$n.bmp" || fail "-j 2 page $n differs from -j 1"
done
echo ok
