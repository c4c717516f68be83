#!/bin/sh
# images-to-pdf embeds colour profiles and JPEG 2000 data: the ICC profile of
# a PNG (iCCP), a JPEG (APP2, here split over two segments) and a TIFF
# becomes an ICCBased colour space whose stream holds the profile's bytes;
# .jp2 files and raw .j2k codestreams are embedded byte for byte as
# JPXDecode images at their own size, in a PDF 1.5 file that draws them.
# Skipped without the tools. $1: the program, $2: the source tree.
set -u
prog=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
for tool in convert compare mutool python3 qpdf pdfinfo; do
  command -v $tool > /dev/null || { echo "skip: $tool missing"; exit 0; }
done
cd "$tmp" || exit 1

convert -seed 7 -size 37x23 plasma:fractal -depth 8 base.ppm || fail "base image"
# A profile with a well-formed header and a recognisable body, larger than
# one JPEG segment can carry.
python3 - <<'PY' || fail "making the profile"
import struct
size = 70000
marker = b"drevlin-test-profile-"
header = struct.pack(">I4sI4s4s4s12s4s", size, b"none", 0x02100000, b"mntr", b"RGB ", b"XYZ ", bytes(12), b"acsp")
body = header.ljust(128, b"\0") + struct.pack(">I", 0)
open("rgb.icc", "wb").write(body + (marker * size)[: size - len(body)])
PY
# Finds the profile among the PDF's inflated streams.
cat > has_profile.py <<'PY'
import re, sys, zlib
pdf, profile = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read()
for m in re.finditer(rb"stream\r?\n", pdf):
    try:
        if zlib.decompressobj().decompress(pdf[m.end():]) == profile: sys.exit(0)
    except zlib.error:
        pass
sys.exit(1)
PY

for f in p.png p.jpg p.tif; do
  convert base.ppm -profile rgb.icc $f 2> /dev/null || fail "making $f"
  "$prog" images-to-pdf $f -o $f.pdf -q || fail "$f: exit $?"
  qpdf --check $f.pdf > /dev/null 2>&1 || fail "$f: qpdf --check"
  grep -qa '/ICCBased' $f.pdf || fail "$f: no ICCBased colour space"
  python3 has_profile.py $f.pdf rgb.icc || fail "$f: the profile's bytes are not in the PDF"
  mutool draw -q -r 72 -o $f.png $f.pdf 1 2> /dev/null || fail "$f: mutool draw"
done
# The JPEG's profile came in more than one segment.
[ "$(grep -ao ICC_PROFILE p.jpg | wc -l)" -ge 2 ] || fail "p.jpg: profile not split over segments"

for f in p.jp2 p.j2k; do
  convert base.ppm -quality 0 $f || fail "making $f"
  "$prog" images-to-pdf $f -o $f.pdf -q || fail "$f: exit $?"
  qpdf --check $f.pdf > /dev/null 2>&1 || fail "$f: qpdf --check"
  grep -qa '/JPXDecode' $f.pdf || fail "$f: not embedded as JPXDecode"
  python3 -c 'import sys; sys.exit(open(sys.argv[1], "rb").read() not in open(sys.argv[2], "rb").read())' \
    $f $f.pdf || fail "$f: data not embedded as it is"
  pdfinfo $f.pdf | grep -q '^PDF version: *1\.[5-7]' || fail "$f: $(pdfinfo $f.pdf | grep 'PDF version')"
  size=$(pdfinfo $f.pdf | sed -n 's/^Page size: *\([0-9]* x [0-9]*\) pts.*/\1/p')
  [ "$size" = "37 x 23" ] || fail "$f: page size $size"
  mutool draw -q -r 72 -o $f.png $f.pdf 1 2> /dev/null || fail "$f: mutool draw"
  differ=$(compare -metric AE -fuzz 3% $f.png base.ppm null: 2>&1)
  [ "$differ" = 0 ] || fail "$f: $differ pixels differ from the picture"
done
echo ok
