#!/bin/sh
# images-to-pdf over every kind of image file we read, made here with
# ImageMagick and libtiff's tools: each image becomes a page as large in
# points as the image in pixels, the file passes qpdf --check, the page drawn
# at 72 dpi shows the source pixels, and JPEG data is embedded unchanged.
# $1: the program, $2: the source tree.
#
# Why two renderers: poppler resamples an image bilinearly unless it is drawn
# at four times its size or more, so pdftoppm -r 72 blends neighbouring
# pixels even for a page that maps one image pixel to one device pixel.
# MuPDF draws such a page pixel for pixel, so mutool -r 72 is compared as is;
# pdftoppm is asked for -r 288 and one device pixel of each 4x4 block is read.
set -u
prog=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# Loops below run in subshells, so failures are counted in a file.
fail() { echo "FAIL: $*"; echo "$*" >> "$tmp/failures"; }
for tool in convert tiffcp python3 pdfinfo qpdf; do
  command -v $tool > /dev/null || { echo "skip: $tool missing"; exit 0; }
done
have_mutool=no; command -v mutool > /dev/null && have_mutool=yes
have_pdftoppm=no; command -v pdftoppm > /dev/null && have_pdftoppm=yes
have_pdfimages=no; command -v pdfimages > /dev/null && have_pdfimages=yes

cd "$tmp" || exit 1
# An odd-sized picture with smooth areas and sharp edges; -seed keeps it the same
# on every run.
convert -seed 7 -size 37x23 plasma:fractal -fill 'rgb(200,10,30)' -draw 'rectangle 3,2 11,9' \
  -fill white -draw 'rectangle 20,14 25,21' -depth 8 -type TrueColor base.ppm || { echo "FAIL: base image"; exit 1; }
convert base.ppm -alpha set -channel A -fx '(i+j)/(w+h)' +channel -depth 8 alpha.miff
convert base.ppm -colorspace Gray gray.miff

# name, check, then how it is made: "convert ARGS" from a named start, or
# "tiffcp ARGS" applied to the previous convert output (tiff-src.tif).
# Checks: exact (lossless), near (16-bit samples, alpha composited over white
# by two renderers that round differently, or a TIFF colour map whose 16-bit
# entries keep their high byte where ImageMagick rounds: within 1 step of
# 255), lossy (a JPEG inside a TIFF), jpeg (embedded byte for byte), anim
# (all frames drawn one over another), strips (exact, one image per strip).
# MuPDF snaps each image's edges outwards to whole pixels in single precision,
# so a strip edge like 15/23 of the page, which no decimal number hits
# exactly, may take one row more and be resampled: strips are compared with
# pdftoppm only.
cases='
png-gray1        exact  convert gray.miff -threshold 50% -define png:color-type=0 -define png:bit-depth=1 X.png
png-gray2        exact  convert gray.miff -depth 2 -define png:color-type=0 -define png:bit-depth=2 X.png
png-gray4        exact  convert gray.miff -depth 4 -define png:color-type=0 -define png:bit-depth=4 X.png
png-gray8        exact  convert gray.miff -define png:color-type=0 -define png:bit-depth=8 X.png
png-gray16       near   convert gray.miff -depth 16 -evaluate add 37% -define png:color-type=0 -define png:bit-depth=16 X.png
png-rgb8         exact  convert base.ppm -define png:color-type=2 X.png
png-rgb16        near   convert base.ppm -depth 16 -evaluate add 11% -define png:color-type=2 -define png:bit-depth=16 X.png
png-palette1     exact  convert base.ppm -monochrome -define png:color-type=3 -define png:bit-depth=1 X.png
png-palette2     exact  convert base.ppm -colors 4 -define png:exclude-chunks=bKGD -define png:color-type=3 -define png:bit-depth=2 X.png
png-palette4     exact  convert base.ppm -colors 16 -define png:color-type=3 -define png:bit-depth=4 X.png
png-palette8     exact  convert base.ppm -colors 200 -define png:color-type=3 -define png:bit-depth=8 X.png
png-graya8       near   convert alpha.miff -colorspace Gray -define png:color-type=4 -define png:bit-depth=8 X.png
png-graya16      near   convert alpha.miff -colorspace Gray -depth 16 -evaluate add 7% -define png:color-type=4 -define png:bit-depth=16 X.png
png-rgba8        near   convert alpha.miff -define png:color-type=6 -define png:bit-depth=8 X.png
png-rgba16       near   convert alpha.miff -depth 16 -evaluate add 3% -define png:color-type=6 -define png:bit-depth=16 X.png
png-adam7-gray1  exact  convert gray.miff -threshold 50% -interlace PNG -define png:color-type=0 -define png:bit-depth=1 X.png
png-adam7-pal4   exact  convert base.ppm -colors 16 -interlace PNG -define png:color-type=3 -define png:bit-depth=4 X.png
png-adam7-rgb8   exact  convert base.ppm -interlace PNG -define png:color-type=2 X.png
png-adam7-rgba16 near   convert alpha.miff -depth 16 -interlace PNG -define png:color-type=6 -define png:bit-depth=16 X.png
jpeg-baseline    jpeg   convert base.ppm -quality 85 X.jpg
jpeg-progressive jpeg   convert base.ppm -quality 85 -interlace JPEG X.jpg
jpeg-gray        jpeg   convert gray.miff -quality 85 X.jpg
jpeg-cmyk        jpeg   convert base.ppm -colorspace CMYK -quality 85 X.jpg
gif-static       exact  convert base.ppm -colors 64 X.gif
gif-interlaced   exact  convert base.ppm -colors 64 -interlace GIF X.gif
gif-animated     anim   convert base.ppm -colors 64 ( -size 9x6 xc:blue -repage +30+1 ) ( -size 5x5 xc:yellow -repage +2+17 ) -dispose None -loop 0 X.gif
bmp-1            exact  convert base.ppm -monochrome -type Palette BMP3:X.bmp
bmp-4            exact  convert base.ppm -colors 16 -type Palette -compress None BMP3:X.bmp
bmp-4-rle        exact  python3 rle4.py bmp-4.bmp X.bmp
bmp-8            exact  convert base.ppm -colors 200 -type Palette -compress None BMP3:X.bmp
bmp-8-rle        exact  convert base.ppm -colors 200 -type Palette -compress RLE BMP3:X.bmp
bmp-24           exact  convert base.ppm -type TrueColor BMP3:X.bmp
bmp-32           near   convert alpha.miff -type TrueColorAlpha BMP:X.bmp
bmp-24-width1    exact  convert base.ppm -crop 1x23+5+0 +repage -type TrueColor BMP3:X.bmp
bmp-8-width3     exact  convert base.ppm -crop 3x23+5+0 +repage -colors 100 -type Palette BMP3:X.bmp
tiff-none        exact  convert base.ppm -compress None X.tif
tiff-gray        exact  convert gray.miff -compress None X.tif
tiff-palette     near   convert base.ppm -colors 16 -type Palette -compress None X.tif
tiff-lzw         exact  convert base.ppm -compress LZW -define tiff:predictor=1 X.tif
tiff-lzw-pred    exact  convert base.ppm -compress LZW -define tiff:predictor=2 X.tif
tiff-packbits    exact  convert base.ppm -compress RLE X.tif
tiff-g3          exact  convert gray.miff -threshold 50% -type Bilevel -compress Fax X.tif
tiff-g3-2d       exact  tiffcp -c g3:2d
tiff-g4          exact  convert gray.miff -threshold 50% -type Bilevel -compress Group4 X.tif
tiff-strips      strips  convert base.ppm -compress None tiff-src.tif ; tiffcp -r 5
tiff-lzw-strips  strips  tiffcp -c lzw:2 -r 4
tiff-big         exact  tiffcp -B -c none
tiff-little      exact  tiffcp -L -c none
tiff-little16    near   convert base.ppm -depth 16 -evaluate add 11% -compress None -endian LSB X.tif
tiff-big16       near   tiffcp -B
tiff-jpeg        lossy  convert base.ppm -compress None tiff-src.tif ; tiffcp -c jpeg -r 64
tiff-jpeg-strips lossy  tiffcp -c jpeg -r 16
tiff-jpeg-gray   lossy  convert gray.miff -compress None tiff-src.tif ; tiffcp -c jpeg -r 8
'

# ImageMagick writes no 4-bit run-length BMP: this turns its plain 4-bit BMP
# into one, with runs in encoded mode and lone pixels in absolute mode.
cat > rle4.py <<'EOF'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
start, = struct.unpack_from("<I", data, 10)
w, h = struct.unpack_from("<ii", data, 18)
stride = (w * 4 + 31) // 32 * 4
out = bytearray()
for y in range(h):
    row = data[start + y * stride:start + (y + 1) * stride]
    px = [(row[x // 2] >> (4 if x % 2 == 0 else 0)) & 15 for x in range(w)]
    x = 0
    while x < w:
        n = 1
        while x + n < w and px[x + n] == px[x] and n < 255: n += 1
        if n == 1:
            lone = []
            while x + len(lone) < w and len(lone) < 255 and (x + len(lone) + 1 == w or px[x + len(lone) + 1] != px[x + len(lone)]):
                lone.append(px[x + len(lone)])
            if len(lone) >= 3:
                packed = bytes((lone[i] << 4) | (lone[i + 1] if i + 1 < len(lone) else 0) for i in range(0, len(lone), 2))
                out += bytes([0, len(lone)]) + packed + (b"\0" if len(packed) % 2 else b"")
                x += len(lone)
                continue
        out += bytes([n, px[x] << 4 | px[x]])
        x += n
    out += b"\0\0"
out += b"\0\1"
struct.pack_into("<II", data, 30, 2, len(out))
data = data[:start] + out
struct.pack_into("<I", data, 2, len(data))
open(sys.argv[2], "wb").write(data)
EOF

# Make the files. A "tiffcp" line copies the latest tiff-src.tif; a TIFF made
# by convert becomes tiff-src.tif for the tiffcp lines that follow it.
echo "$cases" | while read -r name check rest; do
  [ -n "$name" ] || continue
  cmd=$(echo "$rest" | sed "s/X\./$name./g")
  case "$cmd" in
    *' ; '*) first=${cmd%% ; *}; cmd=${cmd#* ; }
             sh -c "$(echo "$first" | sed 's/[()]/\\&/g')" || echo "FAIL: making $name" ;;
  esac
  case "$cmd" in
    tiffcp*) sh -c "$cmd tiff-src.tif $name.tif" ;;
    python3*) sh -c "$cmd" ;;
    convert*) sh -c "$(echo "$cmd" | sed 's/[()]/\\&/g')" ;;
  esac || echo "FAIL: making $name"
  case "$cmd" in convert*.tif) cp "$name.tif" tiff-src.tif ;; esac
  echo "$name $check $(ls "$name".* 2>/dev/null | head -n 1)" >> list
done > make.log 2>&1
grep FAIL make.log && exit 1

# The pixels each page must show: the first frame (or, for an animation, the
# frames drawn over one another), 8 bits per sample, RGB; PNG and BMP alpha
# is kept, so those pages show the picture over white.
while read -r name check file <&3; do
  case $check/$name in
    anim/*) convert "$file" -coalesce -delete 0--2 -alpha off -depth 8 -type TrueColor "$name.want.ppm" ;;
    */png-*|*/bmp-32) convert "$file[0]" -background white -flatten -alpha off -depth 8 -type TrueColor "$name.want.ppm" ;;
    *) convert "$file[0]" -alpha off -depth 8 -type TrueColor "$name.want.ppm" ;;
  esac || fail "$name: ImageMagick cannot read it back"
done 3< list

cat > "$tmp/compare.py" <<'EOF'
# compare.py RENDERED WANTED CHECK SCALE: reads both binary PPMs, takes one
# pixel of each SCALE x SCALE block of the rendering, and compares.
import sys
def ppm(path):
    data = open(path, "rb").read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace(): at += 1
        if data[at:at + 1] == b"#":
            while data[at:at + 1] != b"\n": at += 1
            continue
        start = at
        while not data[at:at + 1].isspace(): at += 1
        fields.append(data[start:at])
    w, h = int(fields[1]), int(fields[2])
    return w, h, data[at + 1:at + 1 + w * h * 3]
got_path, want_path, check, scale = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
gw, gh, got = ppm(got_path)
w, h, want = ppm(want_path)
if (gw, gh) != (w * scale, h * scale):
    sys.exit(f"rendered {gw}x{gh}, want {w * scale}x{h * scale}")
o = scale // 2
picked = bytes(got[((y * scale + o) * gw + x * scale + o) * 3 + c]
               for y in range(h) for x in range(w) for c in range(3))
diffs = [abs(a - b) for a, b in zip(picked, want)]
worst, mean = max(diffs), sum(diffs) / len(diffs)
limit = {"exact": (0, 0), "anim": (0, 0), "strips": (0, 0), "near": (1, 1), "lossy": (24, 3)}[check]
if worst > limit[0] or mean > limit[1]:
    at = next(i for i, d in enumerate(diffs) if d == worst) // 3
    sys.exit(f"worst {worst} at ({at % w},{at // w}), mean {mean:.2f}")
EOF

while read -r name check file <&3; do
  "$prog" images-to-pdf "$file" -o "$name.pdf" -q 2> "$name.err" || { fail "$name: images-to-pdf: $(cat "$name.err")"; continue; }
  size=$(convert "$name.want.ppm" -format '%w x %h' info:)
  pdfinfo "$name.pdf" > "$name.info" 2>&1 || { fail "$name: pdfinfo: $(cat "$name.info")"; continue; }
  grep -q "^Page size: *$size pts" "$name.info" || fail "$name: page $(grep 'Page size' "$name.info"), image $size"
  qpdf --check "$name.pdf" > "$name.check" 2>&1 || fail "$name: qpdf --check: $(tail -n 3 "$name.check")"
  if [ $check = jpeg ]; then
    [ $have_pdfimages = yes ] || continue
    mkdir "$name.x" && pdfimages -j "$name.pdf" "$name.x/i"
    cmp -s "$name.x/i-000.jpg" "$file" || fail "$name: the JPEG is not embedded byte for byte"
    continue
  fi
  if [ $have_mutool = yes ] && [ $check != strips ]; then
    mutool draw -q -r 72 -c rgb -o "$name.mu.ppm" "$name.pdf" 1 2> /dev/null
    python3 "$tmp/compare.py" "$name.mu.ppm" "$name.want.ppm" $check 1 || fail "$name: mutool draw -r 72 differs"
  fi
  if [ $have_pdftoppm = yes ]; then
    pdftoppm -r 288 -singlefile "$name.pdf" "$name.pop" 2> /dev/null
    python3 "$tmp/compare.py" "$name.pop.ppm" "$name.want.ppm" $check 4 || fail "$name: pdftoppm -r 288 differs"
  fi
done 3< list
[ -s "$tmp/failures" ] && exit 1
echo ok
