#!/bin/sh
# images-to-pdf keeps what a picture file shows: alpha channels (PNG, 32-bit
# and 16-bit BMP, TIFF extra samples, straight or premultiplied, also under
# JPEG compression, JPEG 2000 opacity channels) and GIF's transparent colour
# become soft masks, a PNG's single transparent colour a colour-key mask (the
# page drawn by MuPDF over white equals the picture flattened over white by
# ImageMagick), and every page of a multi-page TIFF becomes a page.
# Skipped without the tools.
# $1: the program, $2: the source tree.
set -u
prog=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
have() { command -v "$1" > /dev/null 2>&1; }
if ! have convert || ! have compare || ! have mutool || ! have pdfinfo; then
  echo "ImageMagick, MuPDF or poppler-utils not installed: skipped"; exit 0
fi
cd "$tmp" || exit 1

convert -size 64x48 gradient:red-blue \( -size 64x48 gradient:white-black \) -alpha off \
  -compose CopyOpacity -composite rgba.png
convert -size 64x48 gradient:gray20-gray90 \( -size 64x48 radial-gradient:white-black \) -alpha off \
  -compose CopyOpacity -composite -define png:color-type=4 grey-alpha.png
convert -size 64x48 gradient:red-blue \( -size 64x48 gradient:white-black \) -alpha off \
  -compose CopyOpacity -composite -depth 16 rgba16.png
convert -size 64x48 xc:yellow -fill blue -draw "rectangle 10,10 40,30" -transparent blue \
  -define png:color-type=2 rgb-key.png
convert -size 64x48 xc:yellow -fill blue -draw "rectangle 10,10 40,30" -transparent blue png8:palette-key.png
# The same pictures in the other formats that carry transparency.
convert -size 64x48 xc:yellow -fill blue -draw "rectangle 10,10 40,30" -transparent blue gif-key.gif
convert rgba.png BMP:bmp-alpha.bmp
convert rgba.png -compress LZW tiff-alpha.tif
convert rgba.png -compress None -define tiff:alpha=associated tiff-premultiplied.tif
convert grey-alpha.png -compress None -depth 16 tiff-grey-alpha16.tif

for f in rgba.png grey-alpha.png rgba16.png rgb-key.png palette-key.png gif-key.gif bmp-alpha.bmp tiff-alpha.tif \
         tiff-premultiplied.tif tiff-grey-alpha16.tif; do
  "$prog" images-to-pdf $f -o $f.pdf -q || fail "$f: exit $?"
  if have qpdf; then qpdf --check $f.pdf > /dev/null 2>&1 || fail "$f: qpdf --check"; fi
  mutool draw -q -r 72 -o $f-page.png $f.pdf 1 2> /dev/null || fail "$f: mutool draw"
  convert $f -background white -flatten -alpha off $f-flat.png
  differ=$(compare -metric AE -fuzz 3% $f-page.png $f-flat.png null: 2>&1)
  [ "$differ" = 0 ] || fail "$f: $differ pixels differ from the picture over white"
done
for f in rgba.png gif-key.gif bmp-alpha.bmp tiff-alpha.tif; do
  grep -qa '/SMask' $f.pdf || fail "no soft mask for $f"
done

# A 16-bit BMP with a 4-bit alpha field (A4R4G4B4). ImageMagick reads 4-bit
# fields back a little off, so the page is held against the source, whose
# levels (0, 0x88, 0xFF) 4 bits keep exactly.
convert -size 64x48 xc:red -alpha set -region 30x20+10+10 -channel A -evaluate set 53.3333% +channel \
  +region -region 16x40+44+4 -alpha transparent +region argb-levels.png
convert argb-levels.png -define bmp:subtype=ARGB4444 bmp-argb4444.bmp
"$prog" images-to-pdf bmp-argb4444.bmp -o bmp-argb4444.pdf -q || fail "bmp-argb4444.bmp: exit $?"
grep -qa '/SMask' bmp-argb4444.pdf || fail "no soft mask for a 16-bit BMP with alpha"
mutool draw -q -r 72 -o bmp-argb4444-page.png bmp-argb4444.pdf 1 2> /dev/null || fail "bmp-argb4444: mutool draw"
convert argb-levels.png -background white -flatten -alpha off argb-levels-flat.png
differ=$(compare -metric AE -fuzz 3% bmp-argb4444-page.png argb-levels-flat.png null: 2>&1)
[ "$differ" = 0 ] || fail "bmp-argb4444.bmp: $differ pixels differ from the picture over white"

# JPEG-compressed TIFFs with alpha are decoded into colour and a soft mask.
# ImageMagick reads its own RGB one back wrong, so that page is held against
# libtiff's RGBA reading (which in turn reads grey and alpha wrong).
convert rgba.png -depth 8 -compress JPEG tiff-jpeg-alpha.tif
convert grey-alpha.png -depth 8 -compress JPEG tiff-jpeg-grey-alpha.tif
if have tiff2rgba; then
  tiff2rgba tiff-jpeg-alpha.tif tiff-jpeg-alpha-rgba.tif
  convert tiff-jpeg-alpha-rgba.tif -background white -flatten -alpha off tiff-jpeg-alpha.tif-flat.png 2> /dev/null
else
  rm -f tiff-jpeg-alpha.tif
fi
convert tiff-jpeg-grey-alpha.tif -background white -flatten -alpha off tiff-jpeg-grey-alpha.tif-flat.png
for f in tiff-jpeg-alpha.tif tiff-jpeg-grey-alpha.tif; do
  [ -f $f ] || continue
  "$prog" images-to-pdf $f -o $f.pdf -q || fail "$f: exit $?"
  grep -qa '/SMask' $f.pdf || fail "no soft mask for $f"
  mutool draw -q -r 72 -o $f-page.png $f.pdf 1 2> /dev/null || fail "$f: mutool draw"
  differ=$(compare -metric AE -fuzz 3% $f-page.png $f-flat.png null: 2>&1)
  [ "$differ" = 0 ] || fail "$f: $differ pixels differ from the picture over white"
done

# JPEG 2000 with an opacity channel, as a JP2 file (channel definition box)
# and as a bare codestream: poppler and MuPDF both show it over white as the
# picture is. The encoder reads gamma chunks, so the PNG is written without.
if have opj_compress && have pdftoppm; then
  for source in rgba grey-alpha; do
    convert $source.png -define png:exclude-chunks=gAMA,cHRM,sRGB,bKGD -depth 8 jpx-$source.png
    convert jpx-$source.png -background white -flatten -alpha off jpx-$source-flat.png
    for f in jpx-$source.jp2 jpx-$source.j2k; do
      opj_compress -i jpx-$source.png -o $f > /dev/null 2>&1 || fail "opj_compress $f"
      "$prog" images-to-pdf $f -o $f.pdf -q || fail "$f: exit $?"
      mutool draw -q -r 72 -o $f-mupdf.png $f.pdf 1 2> /dev/null || fail "$f: mutool draw"
      pdftoppm -r 72 -png -singlefile $f.pdf $f-poppler 2> /dev/null || fail "$f: pdftoppm"
      for page in $f-mupdf.png $f-poppler.png; do
        differ=$(compare -metric AE -fuzz 3% $page jpx-$source-flat.png null: 2>&1)
        [ "$differ" = 0 ] || fail "$page: $differ pixels differ from the picture over white"
      done
    done
  done
fi
grep -qa '/Mask \[' rgb-key.png.pdf || fail "no colour-key mask for a tRNS colour"

convert -size 30x20 xc:red -size 40x25 xc:green -size 50x30 xc:blue -compress LZW pages.tif
"$prog" images-to-pdf pages.tif rgba.png -o pages.pdf -q || fail "pages.tif: exit $?"
sizes=$(pdfinfo -f 1 -l 4 pages.pdf | sed -n 's/^Page *[0-9]* size: *\([0-9]* x [0-9]*\) pts.*/\1/p' | tr '\n' ,)
[ "$sizes" = "30 x 20,40 x 25,50 x 30,64 x 48," ] || fail "pages of a 3-page TIFF and a PNG: $sizes"
echo ok
