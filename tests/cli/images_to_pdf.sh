#!/bin/sh
# images-to-pdf end to end: PNG, TIFF, BMP and GIF made here become one page
# each, as large in points as the image in pixels, drawn pixel for pixel; an
# unreadable image is reported and skipped while the others still arrive.
# $1: the program, $2: the source tree.
set -u
prog=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
command -v python3 > /dev/null || { echo "skip: python3 missing"; exit 0; }

# Each image comes with the pixels it must show, as a binary PPM.
python3 - "$tmp" <<'EOF' || fail "making the images"
import struct, sys, zlib
out = sys.argv[1]

def pixel(x, y, seed):
    return ((x * 37 + y * 11 + seed) % 256, (x * 5 + y * 53) % 256, (x * y + seed * 3) % 256)

def image(w, h, seed):
    return [[pixel(x, y, seed) for x in range(w)] for y in range(h)]

def ppm(name, rows):
    with open(f"{out}/{name}.ppm", "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (len(rows[0]), len(rows)))
        for row in rows:
            f.write(bytes(c for p in row for c in p))

def png(name, rows):
    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d))
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in rows)
    ihdr = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")
    open(f"{out}/{name}", "wb").write(data)

def bmp(name, rows):
    w, h = len(rows[0]), len(rows)
    stride = (w * 3 + 3) // 4 * 4
    data = b"".join(bytes(c for p in row for c in (p[2], p[1], p[0])).ljust(stride, b"\0") for row in reversed(rows))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    open(f"{out}/{name}", "wb").write(header + info + data)

def tiff(name, rows):
    # Big-endian, uncompressed, RGB, two strips.
    w, h = len(rows[0]), len(rows)
    pixels = b"".join(bytes(c for p in row for c in p) for row in rows)
    half = (h + 1) // 2
    strips = [pixels[: half * w * 3], pixels[half * w * 3 :]]
    entries = [(256, 3, 1, w), (257, 3, 1, h), (258, 3, 3, None), (259, 3, 1, 1), (262, 3, 1, 2),
               (273, 4, 2, None), (277, 3, 1, 3), (278, 3, 1, half), (279, 4, 2, None)]
    ifd_at = 8
    extra_at = ifd_at + 2 + 12 * len(entries) + 4
    bits_at, offsets_at, counts_at = extra_at, extra_at + 6, extra_at + 14
    data_at = extra_at + 22
    body = struct.pack(">HHH", 8, 8, 8) + struct.pack(">II", data_at, data_at + len(strips[0]))
    body += struct.pack(">II", len(strips[0]), len(strips[1]))
    ifd = struct.pack(">H", len(entries))
    for tag, typ, count, value in entries:
        if value is None:
            value = {258: bits_at, 273: offsets_at, 279: counts_at}[tag]
            ifd += struct.pack(">HHII", tag, typ, count, value)
        elif typ == 3:
            ifd += struct.pack(">HHIHH", tag, typ, count, value, 0)
        else:
            ifd += struct.pack(">HHII", tag, typ, count, value)
    data = b"MM\0*" + struct.pack(">I", ifd_at) + ifd + b"\0\0\0\0" + body + strips[0] + strips[1]
    open(f"{out}/{name}", "wb").write(data)

def lzw(indices, min_size=8):
    clear, size, out, acc, bits = 1 << min_size, min_size + 1, bytearray(), 0, 0
    codes = []
    for i, v in enumerate(indices):
        if i % (clear - 2) == 0:
            codes.append(clear)
        codes.append(v)
    codes.append(clear + 1)
    for c in codes:
        acc |= c << bits
        bits += size
        while bits >= 8:
            out.append(acc & 255); acc >>= 8; bits -= 8
    if bits:
        out.append(acc)
    return bytes(out)

def gif(name, w, h):
    # Two frames with a 256-entry grey table: the second covers part of the first.
    table = bytes(c for i in range(256) for c in (i, i, i))
    def frame(left, top, fw, fh, seed):
        idx = [(x * 7 + y * 3 + seed) % 256 for y in range(fh) for x in range(fw)]
        data = lzw(idx)
        blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255))
        return b"," + struct.pack("<HHHHB", left, top, fw, fh, 0) + b"\x08" + blocks + b"\0", idx
    f1, i1 = frame(0, 0, w, h, 1)
    f2, i2 = frame(3, 2, 5, 4, 9)
    screen = [[(i1[y * w + x],) * 3 for x in range(w)] for y in range(h)]
    for y in range(4):
        for x in range(5):
            screen[2 + y][3 + x] = (i2[y * 5 + x],) * 3
    data = b"GIF89a" + struct.pack("<HHBBB", w, h, 0xF7, 0, 0) + table + f1 + f2 + b";"
    open(f"{out}/{name}", "wb").write(data)
    ppm(name, screen)

for name, maker, (w, h) in [("b.png", png, (21, 13)), ("c.tif", tiff, (17, 9)), ("d.bmp", bmp, (15, 7))]:
    rows = image(w, h, len(name) + w)
    maker(name, rows)
    ppm(name, rows)
gif("e.gif", 12, 10)
open(f"{out}/broken.png", "wb").write(b"\x89PNG\r\n\x1a\nnot really")
EOF

"$prog" images-to-pdf "$tmp/b.png" "$tmp/c.tif" "$tmp/d.bmp" "$tmp/e.gif" -o "$tmp/album.pdf" -q 2> "$tmp/err" ||
  fail "images-to-pdf exits $?: $(cat "$tmp/err")"
[ -s "$tmp/album.pdf" ] || fail "no album written"

if command -v pdfinfo > /dev/null; then
  pdfinfo -f 1 -l 4 "$tmp/album.pdf" > "$tmp/info" || fail "pdfinfo cannot read the album"
  grep -q '^Pages: *4$' "$tmp/info" || fail "album pages: $(grep Pages "$tmp/info")"
  for want in "1 size: *21 x 13 pts" "2 size: *17 x 9 pts" "3 size: *15 x 7 pts" "4 size: *12 x 10 pts"; do
    grep -q "^Page *$want" "$tmp/info" || fail "page size $want: $(grep size "$tmp/info")"
  done
else
  echo "skip: pdfinfo missing"
fi

if command -v pdfimages > /dev/null; then
  # The TIFF's two strips are two images of one page.
  [ "$(pdfimages -list "$tmp/album.pdf" | tail -n +3 | wc -l)" -eq 5 ] || fail "pdfimages: $(pdfimages -list "$tmp/album.pdf")"
fi

if command -v qpdf > /dev/null; then
  qpdf --check "$tmp/album.pdf" > "$tmp/check" 2>&1 || fail "qpdf --check: $(cat "$tmp/check")"
fi

# The pixels embedded on each page, joined over the strips of a page, must
# be the source's. (pdftoppm resamples images drawn at less than four times
# their size, so its 72 dpi output is not compared; images_matrix.sh draws
# the pages with mutool and with pdftoppm at 288 dpi.)
if command -v pdfimages > /dev/null; then
  n=1
  for name in b.png c.tif d.bmp e.gif; do
    mkdir "$tmp/p$n"
    pdfimages -f $n -l $n "$tmp/album.pdf" "$tmp/p$n/img" || fail "pdfimages page $n"
    python3 - "$tmp/p$n" "$tmp/$name.ppm" <<'EOF2' || fail "page $n does not hold the pixels of $name"
import os, sys
def body(path):
    data = open(path, "rb").read()
    fields, at = [], 0
    while len(fields) < 4:  # magic, width, height, maximum
        while data[at:at + 1].isspace(): at += 1
        start = at
        while not data[at:at + 1].isspace(): at += 1
        fields.append(data[start:at])
    return int(fields[1]), data[at + 1:]
parts = [body(os.path.join(sys.argv[1], f)) for f in sorted(os.listdir(sys.argv[1]))]
width, want = body(sys.argv[2])
sys.exit(0 if all(w == width for w, _ in parts) and b"".join(p for _, p in parts) == want else 1)
EOF2
    n=$((n + 1))
  done
fi

# An unreadable image among good ones: reported, skipped, exit status 1.
"$prog" images-to-pdf "$tmp/b.png" "$tmp/broken.png" "$tmp/d.bmp" -o "$tmp/partial.pdf" -q 2> "$tmp/err"
rc=$?
[ $rc -eq 1 ] || fail "a broken image gives exit status $rc"
grep -q "broken.png" "$tmp/err" || fail "the broken image is not named: $(cat "$tmp/err")"
if command -v pdfinfo > /dev/null; then
  pdfinfo "$tmp/partial.pdf" | grep -q '^Pages: *2$' || fail "the good images are not all in the output"
fi

# Nothing readable at all: nothing written.
"$prog" images-to-pdf "$tmp/broken.png" -o "$tmp/none.pdf" -q 2> /dev/null
[ $? -eq 1 ] || fail "only broken images do not fail"
echo ok
