#!/bin/sh
# images-to-pdf shows photos upright: each of the eight EXIF orientations of a
# JPEG (tags in both byte orders) and the TIFF orientation tag give a page
# that MuPDF draws equal to ImageMagick's -auto-orient result, with width and
# height swapped for quarter turns, while the JPEG bytes stay embedded as
# they are. Skipped without the tools. $1: the program, $2: the source tree.
set -u
prog=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
for tool in convert compare mutool python3; do
  command -v $tool > /dev/null || { echo "skip: $tool missing"; exit 0; }
done
cd "$tmp" || exit 1

# Not square, and no symmetry that could hide a wrong turn or mirror.
convert -seed 7 -size 37x23 plasma:fractal -fill 'rgb(200,10,30)' -draw 'rectangle 3,2 11,9' \
  -quality 95 base.jpg || fail "base image"
cat > exif.py <<'PY'
# exif.py IN OUT ORIENTATION ORDER: puts an APP1 Exif segment whose first
# directory holds the orientation tag right after the start of image; ORDER
# is II (little-endian) or MM (big-endian).
import struct, sys
src, dst, value, order = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
e = "<" if order == "II" else ">"
tiff = order.encode() + struct.pack(e + "HI", 42, 8) + struct.pack(e + "H", 2)
tiff += struct.pack(e + "HHII", 0x010F, 2, 4, 0)  # a make tag before it, as cameras write
tiff += struct.pack(e + "HHIHH", 0x0112, 3, 1, value, 0) + struct.pack(e + "I", 0)
body = b"Exif\0\0" + tiff
data = open(src, "rb").read()
open(dst, "wb").write(data[:2] + b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body + data[2:])
PY

check() {  # file: the page equals the picture turned upright by ImageMagick
  "$prog" images-to-pdf "$1" -o "$1.pdf" -q || fail "$1: exit $?"
  mutool draw -q -r 72 -o "$1.png" "$1.pdf" 1 2> /dev/null || fail "$1: mutool draw"
  convert "$1" -auto-orient "$1.want.png"
  got=$(identify -format '%wx%h' "$1.png") want=$(identify -format '%wx%h' "$1.want.png")
  [ "$got" = "$want" ] || fail "$1: page $got, upright picture $want"
  # Both decode the same JPEG data; their decoders may round differently.
  differ=$(compare -metric AE -fuzz 6% "$1.png" "$1.want.png" null: 2>&1)
  [ "$differ" = 0 ] || fail "$1: $differ pixels differ from the upright picture"
}

for o in 1 2 3 4 5 6 7 8; do
  order=II; [ $((o % 2)) = 0 ] && order=MM
  python3 exif.py base.jpg exif$o.jpg $o $order || fail "making exif$o.jpg"
  check exif$o.jpg
done
# The JPEG data is embedded unchanged, Exif segment included.
python3 - exif6.jpg exif6.jpg.pdf <<'PY' || fail "JPEG bytes not embedded as they are"
import sys
sys.exit(open(sys.argv[1], "rb").read() not in open(sys.argv[2], "rb").read())
PY

convert base.jpg base.ppm
for o in TopRight BottomLeft LeftTop RightTop RightBottom LeftBottom; do
  convert base.ppm -orient $o -compress LZW tiff-$o.tif || fail "making tiff-$o.tif"
  check tiff-$o.tif
done
echo ok
