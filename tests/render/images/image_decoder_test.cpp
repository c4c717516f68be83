#include "pdf/render/images/image_decoder.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pdf/core/pdf_structure.h"
#include "pdf/render/images/image_decoder_cache.h"
#include "tests/render/content/render_fixture.h"

namespace ostrel {
namespace {

using test::Pixel;
using test::RenderFixture;

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// A 20 x 20 point page on which images are placed by hand.
struct ImagePage : RenderFixture {
  ImagePage() {
    Page()->RemoveKey("CropBox");
    SetEntry("MediaBox", "[0 0 20 20]");
  }
  void AddImage(std::string_view name, std::string_view dict, std::string data) {
    AddResource("XObject", name, Image(dict, std::move(data)));
  }
  TPDFIndRef* Image(std::string_view dict, std::string data) {
    TPDFStream* s = Pool().NewStream("", false);
    s->StreamDict->AssignFrom(Dict(dict));
    s->StreamDict->SetValue("Subtype", Pool().NewName("Image"));
    s->SetRawData(std::move(data));
    return Indirect(s);
  }
  Bitmap RenderImages(TPDFImageDecoderCache** cacheOut = nullptr) {
    TPDFRenderer renderer(fonts);
    auto cache = std::make_unique<TPDFImageDecoderCache>(renderer);
    if (cacheOut) *cacheOut = cache.get();
    renderer.SetImages(std::move(cache));
    Bitmap out;
    std::string error;
    renderer.RenderPageToBitmap(doc, 1, 72, TGDIPlusSettings{}, out, error);
    if (cacheOut) {
      cachedBytes = (*cacheOut)->CachedBytes();
      *cacheOut = nullptr;
    }
    return out;
  }
  size_t cachedBytes = 0;
};

// Page drawn with the whole page covered by image /Im0.
Bitmap RenderFullPage(ImagePage& page) {
  page.SetContent("q 20 0 0 20 0 0 cm /Im0 Do Q");
  return page.RenderImages();
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

// Two columns of ten points: the colour at the middle of the left and right halves.
std::pair<uint32_t, uint32_t> Halves(const Bitmap& b) { return {Pixel(b, 5, 10), Pixel(b, 15, 10)}; }

TEST(ImageDecoderSamples, DeviceSpacesAndBitDepths) {
  TPDFSimpleColorManager manager;
  const TPDFRGB y = manager.CMYKToRGB(0, 0, 1, 0);
  const uint32_t kCMYKYellow = (uint32_t{ColorChannelByte(y.R)} << 16) | (uint32_t{ColorChannelByte(y.G)} << 8) |
                               ColorChannelByte(y.B);
  struct Case {
    const char* dict;
    std::string data;
    uint32_t left, right;
  } cases[] = {
      {"<< /Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 >>", Bytes({255, 0, 0, 0, 0, 255}), kRed,
       kBlue},
      // The Decode array of colour images is not applied.
      {"<< /Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Decode [1 0 1 0 1 0] >>",
       Bytes({255, 0, 0, 0, 0, 255}), kRed, kBlue},
      {"<< /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 1 >>", Bytes({0x40}), kBlack, kWhite},
      {"<< /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 1 /Decode [1 0] >>", Bytes({0x40}), kWhite,
       kBlack},
      {"<< /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 2 >>", Bytes({0x70}), 0x555555, 0xFFFFFF},
      {"<< /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 4 /Decode [1 0] >>", Bytes({0x0F}),
       kWhite, kBlack},
      {"<< /Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 16 >>",
       Bytes({0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}), kGreen, 0xFFFF00},
      {"<< /Width 2 /Height 1 /ColorSpace /DeviceCMYK /BitsPerComponent 8 >>", Bytes({0, 0, 0, 0, 0, 0, 255, 0}),
       kWhite, kCMYKYellow},
      {"<< /Width 2 /Height 1 /ColorSpace /CalRGB /BitsPerComponent 8 >>", Bytes({0, 255, 0, 0, 0, 255}), kGreen,
       kBlue},
      // Short data: the missing samples read as zero.
      {"<< /Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 >>", Bytes({0, 0, 255}), kBlue, kBlack},
      {"<< /Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /ASCIIHexDecode >>",
       "00ff00 ff0000>", kGreen, kRed},
  };
  for (const Case& c : cases) {
    ImagePage page;
    page.AddImage("Im0", c.dict, c.data);
    auto [left, right] = Halves(RenderFullPage(page));
    EXPECT_EQ(left, c.left) << c.dict;
    EXPECT_EQ(right, c.right) << c.dict;
  }
}

TEST(ImageDecoderSamples, IndexedLookupIsChecked) {
  struct Case {
    const char* space;
    std::string data;
    uint32_t left, right;
  } cases[] = {
      {"[/Indexed /DeviceRGB 1 <FF0000 00FF00>]", Bytes({1, 0}), kGreen, kRed},
      // Indexes above /HiVal are limited to it.
      {"[/Indexed /DeviceRGB 1 <FF0000 00FF00>]", Bytes({0, 200}), kRed, kGreen},
      // A lookup shorter than /HiVal promises: the missing entries are black.
      {"[/Indexed /DeviceRGB 3 <0000FF>]", Bytes({0, 3}), kBlue, kBlack},
      // A /HiVal that is not a number leaves no table to read: black.
      {"[/Indexed /DeviceRGB /Bad <FF0000 00FF00>]", Bytes({0, 1}), kBlack, kBlack},
      {"[/Indexed /DeviceGray 1 <80FF>]", Bytes({0, 1}), 0x808080, kWhite},
  };
  for (const Case& c : cases) {
    ImagePage page;
    page.AddImage("Im0", std::string("<< /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace ") + c.space + " >>",
                  c.data);
    auto [left, right] = Halves(RenderFullPage(page));
    EXPECT_EQ(left, c.left) << c.space;
    EXPECT_EQ(right, c.right) << c.space;
  }
}

TEST(ImageDecoderMasks, StencilPaintsInEachUsesFillColour) {
  ImagePage page;
  // Sample 0 paints: the left pixel.
  page.AddImage("Im0", "<< /Width 2 /Height 1 /ImageMask true >>", Bytes({0x40}));
  page.SetContent("q 1 0 0 rg 10 0 0 10 0 10 cm /Im0 Do Q q 0 0 1 rg 10 0 0 10 0 0 cm /Im0 Do Q");
  TPDFImageDecoderCache* cache = nullptr;
  Bitmap b = page.RenderImages(&cache);
  EXPECT_EQ(Pixel(b, 2, 5), kRed);
  EXPECT_EQ(Pixel(b, 7, 5), kWhite);
  EXPECT_EQ(Pixel(b, 2, 15), kBlue);
  EXPECT_EQ(Pixel(b, 7, 15), kWhite);
  EXPECT_GT(page.cachedBytes, 0u);

  ImagePage inverted;
  inverted.AddImage("Im0", "<< /Width 2 /Height 1 /ImageMask true /Decode [1 0] >>", Bytes({0x40}));
  inverted.SetContent("q 0 1 0 rg 20 0 0 20 0 0 cm /Im0 Do Q");
  auto [left, right] = Halves(inverted.RenderImages());
  EXPECT_EQ(left, kWhite);
  EXPECT_EQ(right, kGreen);
}

TEST(ImageDecoderMasks, SoftMaskExplicitMaskAndColourKey) {
  const std::string red2 = Bytes({255, 0, 0, 255, 0, 0});
  {
    // The soft mask wins over /Mask; its gray level is the opacity.
    ImagePage page;
    TPDFIndRef* smask = page.Image("<< /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
                                   Bytes({0, 255}));
    TPDFIndRef* mask = page.Image("<< /Width 2 /Height 1 /ImageMask true >>", Bytes({0x00}));
    page.AddImage("Im0",
                  "<< /Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /SMask " + smask->ToText() +
                      " /Mask " + mask->ToText() + " >>",
                  red2);
    auto [left, right] = Halves(RenderFullPage(page));
    EXPECT_EQ(left, kWhite);
    EXPECT_EQ(right, kRed);
  }
  {
    // A mask stream shows the image where the mask would paint (sample 0);
    // a 1 x 1 mask is stretched over the 2 x 1 image.
    ImagePage page;
    TPDFIndRef* mask = page.Image("<< /Width 1 /Height 2 /ImageMask true >>", Bytes({0x80, 0x00}));
    page.AddImage("Im0", "<< /Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Mask " +
                             mask->ToText() + " >>",
                  red2);
    Bitmap b = RenderFullPage(page);
    EXPECT_EQ(Pixel(b, 5, 5), kWhite);
    EXPECT_EQ(Pixel(b, 15, 5), kWhite);
    EXPECT_EQ(Pixel(b, 5, 15), kRed);
    EXPECT_EQ(Pixel(b, 15, 15), kRed);
  }
  {
    // Colour keys compare source samples: index 0 of an Indexed image, and a
    // 16-bit RGB range in 16-bit units.
    ImagePage page;
    page.AddImage("Im0",
                  "<< /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace [/Indexed /DeviceRGB 1 <FF0000 0000FF>]"
                  " /Mask [0 0] >>",
                  Bytes({0, 1}));
    auto [left, right] = Halves(RenderFullPage(page));
    EXPECT_EQ(left, kWhite);
    EXPECT_EQ(right, kBlue);

    ImagePage deep;
    deep.AddImage("Im0",
                  "<< /Width 2 /Height 1 /BitsPerComponent 16 /ColorSpace /DeviceRGB"
                  " /Mask [65000 65535 0 10 0 10] >>",
                  Bytes({0xFF, 0xFF, 0, 5, 0, 0, 0xFF, 0xFF, 0, 20, 0, 0}));
    auto [l2, r2] = Halves(RenderFullPage(deep));
    EXPECT_EQ(l2, kWhite);
    EXPECT_EQ(r2, kRed);
  }
  {
    // An /SMask that names the image itself decodes once as a mask and stops.
    ImagePage page;
    TPDFStream* s = page.Pool().NewStream("", false);
    s->StreamDict->AssignFrom(
        page.Dict("<< /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 >>"));
    s->SetRawData(Bytes({0}));
    TPDFIndRef* ref = page.Indirect(s);
    s->StreamDict->SetValue("SMask", ref);
    page.AddResource("XObject", "Im0", ref);
    // Black at opacity 0: nothing shows.
    EXPECT_EQ(Halves(RenderFullPage(page)).first, kWhite);
  }
}

TEST(ImageDecoderLimits, BadSizesAreRefusedOrReduced) {
  TPDFStructure pool;
  TPDFSimpleColorManager manager;
  auto decode = [&](std::string_view dict, std::string data, int64_t maxPixels) {
    TPDFStream* s = pool.NewStream("", false);
    s->StreamDict->AssignFrom(PdfCast<TPDFDictionary>(pool.ParseObject(dict)));
    s->SetRawData(std::move(data));
    auto d = std::make_unique<TPDFImageDecoder>(manager);
    d->MaxPixels = maxPixels;
    d->DecodeImage(s);
    return d;
  };
  EXPECT_FALSE(decode("<< /Width 0 /Height 5 /ColorSpace /DeviceGray /BitsPerComponent 8 >>", "x", 1 << 20)->Decoded);
  EXPECT_FALSE(decode("<< /Width 2 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 3 >>", "x", 1 << 20)->Decoded);
  EXPECT_FALSE(decode("<< /Width -4 /Height 2 /ImageMask true >>", "x", 1 << 20)->Decoded);
  // Huge claims with no data: decoded at a reduced scale within the bound,
  // nothing padded.
  auto big = decode("<< /Width 2000000000 /Height 2000000000 /ColorSpace /DeviceRGB /BitsPerComponent 16 >>", "abc",
                    1 << 12);
  ASSERT_TRUE(big->Decoded);
  EXPECT_LE(int64_t{big->Picture.Width()} * big->Picture.Height(), 1 << 12);
  EXPECT_GE(big->Picture.Width(), 32);
  auto wide = decode("<< /Width 2147483647 /Height 1 /ImageMask true >>", "", 1 << 12);
  ASSERT_TRUE(wide->Decoded);
  EXPECT_LE(int64_t{wide->AlphaWidth} * wide->AlphaHeight, 1 << 12);
}

TEST(ImageDecoderInline, InlineImagesWithAbbreviations) {
  ImagePage page;
  page.AddResource("ColorSpace", "P", page.Pool().ParseObject("[/Indexed /DeviceRGB 1 <00FF00 0000FF>]"));
  page.SetContent(
      "q 20 0 0 10 0 10 cm BI /W 2 /H 1 /CS /RGB /BPC 8 /F /AHx ID ff0000 0000ff> EI Q "
      "q 20 0 0 10 0 0 cm BI /W 2 /H 1 /CS /P /BPC 8 /F /AHx ID 0100> EI Q");
  Bitmap b = page.RenderImages();
  EXPECT_EQ(Pixel(b, 5, 5), kRed);
  EXPECT_EQ(Pixel(b, 15, 5), kBlue);
  EXPECT_EQ(Pixel(b, 5, 15), kBlue);
  EXPECT_EQ(Pixel(b, 15, 15), kGreen);
}

// A 16 x 8 JPEG: the left half red, the right half blue.
std::string MakeJpeg() {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = 16;
  c.image_height = 8;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  unsigned char row[16 * 3];
  for (int x = 0; x < 16; ++x) {
    row[3 * x] = x < 8 ? 255 : 0;
    row[3 * x + 1] = 0;
    row[3 * x + 2] = x < 8 ? 0 : 255;
  }
  while (c.next_scanline < c.image_height) {
    JSAMPROW r = row;
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::string out(reinterpret_cast<char*>(mem), size);
  jpeg_destroy_compress(&c);
  free(mem);
  return out;
}

bool Near(uint32_t a, uint32_t b, int tolerance = 24) {
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
      return false;
  return true;
}

TEST(ImageDecoderCodecs, JpegWithStrayLineFeed) {
  for (const std::string prefix : {"", "\n"}) {
    ImagePage page;
    page.AddImage("Im0", "<< /Width 16 /Height 8 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode >>",
                  prefix + MakeJpeg());
    auto [left, right] = Halves(RenderFullPage(page));
    EXPECT_TRUE(Near(left, kRed)) << std::hex << left;
    EXPECT_TRUE(Near(right, kBlue)) << std::hex << right;
  }
}

// Group 4 data, from libtiff, of a width x height picture whose first
// blackColumns columns are black (by default 16 x 4, the left half black).
std::string MakeGroup4(int width = 16, int height = 4, int blackColumns = 8) {
  char path[] = "/tmp/image_decoder_g4_XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return {};
  close(fd);
  TIFF* t = TIFFOpen(path, "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, height);
  std::vector<unsigned char> row((width + 7) / 8, 0);  // min-is-white: 1 is black
  for (int x = 0; x < blackColumns; ++x) row[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
  for (int y = 0; y < height; ++y) TIFFWriteScanline(t, row.data(), y, 0);
  TIFFClose(t);
  t = TIFFOpen(path, "r");
  std::string data(static_cast<size_t>(TIFFRawStripSize(t, 0)), '\0');
  TIFFReadRawStrip(t, 0, data.data(), static_cast<tmsize_t>(data.size()));
  TIFFClose(t);
  std::remove(path);
  return data;
}

TEST(ImageDecoderCodecs, CcittGroup4WithBlackIs1AndDecode) {
  const std::string g4 = MakeGroup4();
  ASSERT_FALSE(g4.empty());
  struct Case {
    const char* extra;
    uint32_t left, right;
  } cases[] = {
      {"/DecodeParms << /K -1 /Columns 16 >>", kBlack, kWhite},
      {"/DecodeParms << /K -1 /Columns 16 >> /Decode [1 0]", kWhite, kBlack},
      {"/DecodeParms << /K -1 /Columns 16 /BlackIs1 true >>", kWhite, kBlack},
  };
  for (const Case& c : cases) {
    ImagePage page;
    page.AddImage("Im0",
                  std::string("<< /Width 16 /Height 4 /ColorSpace /DeviceGray /BitsPerComponent 1 "
                              "/Filter /CCITTFaxDecode ") + c.extra + " >>",
                  g4);
    auto [left, right] = Halves(RenderFullPage(page));
    EXPECT_EQ(left, c.left) << c.extra;
    EXPECT_EQ(right, c.right) << c.extra;
  }
  // The same data as a stencil paints the black half in the fill colour.
  ImagePage page;
  page.AddImage("Im0", "<< /Width 16 /Height 4 /ImageMask true /Filter /CCF /DecodeParms << /K -1 /Columns 16 >> >>",
                g4);
  page.SetContent("q 1 0 0 rg 20 0 0 20 0 0 cm /Im0 Do Q");
  auto [left, right] = Halves(page.RenderImages());
  EXPECT_EQ(left, kRed);
  EXPECT_EQ(right, kWhite);
}

// Decodes an image stream on its own, with a pixel bound.
std::unique_ptr<TPDFImageDecoder> DecodeAlone(TPDFStructure& pool, TPDFSimpleColorManager& manager,
                                              std::string_view dict, std::string data, int64_t maxPixels) {
  TPDFStream* s = pool.NewStream("", false);
  s->StreamDict->AssignFrom(PdfCast<TPDFDictionary>(pool.ParseObject(dict)));
  s->SetRawData(std::move(data));
  auto d = std::make_unique<TPDFImageDecoder>(manager);
  d->MaxPixels = maxPixels;
  d->DecodeImage(s);
  return d;
}

TEST(ImageDecoderLimits, BilevelImagesBeyondTheBoundAreAveraged) {
  TPDFStructure pool;
  TPDFSimpleColorManager manager;
  // 96 x 64 with the first 49 columns black, bound 1024 pixels: reduced by
  // 3, column 16 covers pixels 48 (black), 49 and 50 (white).
  const std::string g4 = MakeGroup4(96, 64, 49);
  ASSERT_FALSE(g4.empty());
  const std::string fax = "/Width 96 /Height 64 /Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 96 >>";
  auto gray = DecodeAlone(pool, manager, "<< /ColorSpace /DeviceGray /BitsPerComponent 1 " + fax + " >>", g4, 1024);
  ASSERT_TRUE(gray->Decoded) << gray->LastError;
  ASSERT_EQ(gray->Picture.Width(), 32);
  ASSERT_EQ(gray->Picture.Height(), 22);
  EXPECT_EQ(gray->Picture.PixelRGB(15, 10), kBlack);
  EXPECT_EQ(gray->Picture.PixelRGB(16, 10), 0xAAAAAAu);  // two thirds white
  EXPECT_EQ(gray->Picture.PixelRGB(17, 21), kWhite);
  // As a stencil the share that paints is the coverage.
  auto stencil = DecodeAlone(pool, manager, "<< /ImageMask true " + fax + " >>", g4, 1024);
  ASSERT_TRUE(stencil->Decoded);
  ASSERT_EQ(stencil->AlphaWidth, 32);
  EXPECT_EQ(stencil->Alpha[10 * 32 + 15], 255);
  EXPECT_EQ(stencil->Alpha[10 * 32 + 16], 85);
  EXPECT_EQ(stencil->Alpha[10 * 32 + 17], 0);
  // Raw 1-bit samples too: one black column in three gives gray, where
  // picking one pixel per block would give black or white.
  std::string stripes(4 * 30, '\xFF');
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; x += 3) stripes[4 * y + x / 8] &= static_cast<char>(~(0x80 >> (x % 8)));
  auto raw = DecodeAlone(pool, manager, "<< /Width 30 /Height 30 /ColorSpace /DeviceGray /BitsPerComponent 1 >>",
                         stripes, 100);
  ASSERT_TRUE(raw->Decoded);
  ASSERT_EQ(raw->Picture.Width(), 10);
  EXPECT_EQ(raw->Picture.PixelRGB(4, 4), 0xAAAAAAu);
}

// A page of side x side points covered by a side x side 1-bit image placed
// by cm; rows are black where black(y).
template <typename Black>
Bitmap RenderLargeBilevel(int side, Black black, std::string_view cm) {
  ImagePage page;
  page.SetEntry("MediaBox", "[0 0 " + std::to_string(side) + " " + std::to_string(side) + "]");
  const size_t rowBytes = (static_cast<size_t>(side) + 7) / 8;
  std::string data(rowBytes * side, '\xFF');
  for (int y = 0; y < side; ++y)
    if (black(y)) std::fill_n(data.begin() + static_cast<std::ptrdiff_t>(y * rowBytes), rowBytes, '\0');
  page.AddImage("Im0",
                "<< /Width " + std::to_string(side) + " /Height " + std::to_string(side) +
                    " /ColorSpace /DeviceGray /BitsPerComponent 1 >>",
                data);
  page.SetContent("q " + std::string(cm) + " cm /Im0 Do Q");
  return page.RenderImages();
}

TEST(ImageDecoderDraw, LargePicturesAreDrawnInBandsWithoutSeams) {
  // Over four million pixels: drawn in bands. At one pixel per sample every
  // row keeps its own colour across the band edges.
  const int side = 2100;
  Bitmap striped = RenderLargeBilevel(side, [](int y) { return y % 2 == 1; }, "2100 0 0 2100 0 0");
  ASSERT_EQ(striped.Height(), side);
  int wrong = 0;
  for (int y = 0; y < side; ++y)
    for (int x : {0, 1049, 2099}) wrong += Pixel(striped, x, y) != (y % 2 ? kBlack : kWhite);
  EXPECT_EQ(wrong, 0);
  // Placed at a fractional scale and offset, a black image leaves no white
  // line between its bands.
  Bitmap solid = RenderLargeBilevel(side, [](int) { return true; }, "2100 0 0 2097.3 0 1.4");
  int white = 0;
  for (int y = 2; y < side - 2; ++y)
    for (int x : {0, 700, 2099}) white += Pixel(solid, x, y) != kBlack;
  EXPECT_EQ(white, 0);
}

// Grey level of a pixel (all three channels), or -1 when they differ.
int GreyOf(const Bitmap& b, int x, int y) {
  const uint32_t p = Pixel(b, x, y);
  const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, bl = p & 0xFF;
  return r == g && g == bl ? r : -1;
}

TEST(ImageDecoderDraw, PicturesDrawnSmallerAreAveraged) {
  // 40 x 40 pixels alternating black and white, drawn on 20 x 20 device
  // pixels: every pixel is the mean of two black and two white, whatever the
  // depth or colour space of the picture.
  struct TCase {
    const char* Dict;
    std::string (*Sample)(bool black);
    size_t RowBytes;
  };
  auto bit = [](bool) { return std::string(); };
  const TCase cases[] = {
      {"/ColorSpace /DeviceGray /BitsPerComponent 1", bit, 5},
      {"/ColorSpace /DeviceGray /BitsPerComponent 8", [](bool k) { return std::string(1, k ? '\0' : '\xFF'); }, 40},
      {"/ColorSpace /DeviceRGB /BitsPerComponent 8", [](bool k) { return std::string(3, k ? '\0' : '\xFF'); }, 120},
      {"/ImageMask true /Decode [1 0]", bit, 5},
  };
  for (const TCase& c : cases) {
    std::string data;
    for (int y = 0; y < 40; ++y) {
      std::string row;
      if (c.RowBytes == 5)
        row.assign(5, static_cast<char>(y % 2 ? 0x55 : 0xAA));  // 1-bits are white for gray, paint for masks
      else
        for (int x = 0; x < 40; ++x) row += c.Sample((x + y) % 2 == 0);
      data += row;
    }
    ImagePage page;
    page.AddImage("Im0", "<< /Width 40 /Height 40 " + std::string(c.Dict) + " >>", data);
    Bitmap out = RenderFullPage(page);
    ASSERT_EQ(out.Width(), 20) << c.Dict;
    int off = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) off += std::abs(GreyOf(out, x, y) - 128) > 1;
    EXPECT_EQ(off, 0) << c.Dict << ": pixel (3,3) is " << std::hex << Pixel(out, 3, 3);
  }
}

TEST(ImageDecoderDraw, PartlyCoveredPixelsWeighByTheirShare) {
  // A 30 x 30 grid, black where a row or column is 1 mod 3, drawn on 20 x 20
  // device pixels: each device pixel covers one and a half source pixels
  // each way, so a source pixel cut by its edge counts by the part inside.
  // Every device pixel then holds a third of a black column and of a black
  // row, 5/9 black (grey 113); taking whole source pixels gives stripes.
  struct TCase {
    const char* Dict;
    std::string (*Sample)(bool black);
  };
  auto bit = [](bool) { return std::string(); };
  const TCase cases[] = {
      {"/ColorSpace /DeviceGray /BitsPerComponent 1", bit},
      {"/ColorSpace /DeviceGray /BitsPerComponent 8", [](bool k) { return std::string(1, k ? '\0' : '\xFF'); }},
      {"/ColorSpace /DeviceRGB /BitsPerComponent 8", [](bool k) { return std::string(3, k ? '\0' : '\xFF'); }},
      {"/ImageMask true", bit},
  };
  for (const TCase& c : cases) {
    std::string data;
    for (int y = 0; y < 30; ++y) {
      std::string bits(4, '\0');
      for (int x = 0; x < 30; ++x) {
        const bool black = x % 3 == 1 || y % 3 == 1;
        // 0-bits are black for grey and paint for masks.
        if (!black) bits[x / 8] |= static_cast<char>(0x80 >> (x % 8));
        data += c.Sample(black);
      }
      if (c.Sample(false).empty()) data += bits;
    }
    ImagePage page;
    page.AddImage("Im0", "<< /Width 30 /Height 30 " + std::string(c.Dict) + " >>", data);
    Bitmap out = RenderFullPage(page);
    ASSERT_EQ(out.Width(), 20) << c.Dict;
    int off = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) off += std::abs(GreyOf(out, x, y) - 113) > 1;
    EXPECT_EQ(off, 0) << c.Dict << ": pixels (0,0) and (1,1) are " << std::hex << Pixel(out, 0, 0) << " "
                      << Pixel(out, 1, 1);
  }
}

TEST(ImageDecoderDraw, UprightImagesCoverEveryPixelTheyTouch) {
  // A black image whose edges fall between pixel centres: x 2.2 .. 12.2,
  // y 7.1 .. 17.4 from the top. Upright, it covers columns 2..12 and rows
  // 7..17 whole; turned by a quarter, the same.
  for (std::string_view cm : {"10 0 0 10.3 2.2 2.6", "0 10.3 -10 0 12.2 2.6"}) {
    ImagePage page;
    page.AddImage("Im0", "<< /Width 4 /Height 4 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
                  std::string(16, '\0'));
    page.SetContent("q " + std::string(cm) + " cm /Im0 Do Q");
    Bitmap out = page.RenderImages();
    for (int y = 6; y <= 18; ++y)
      for (int x = 1; x <= 13; ++x) {
        const bool inside = x >= 2 && x <= 12 && y >= 7 && y <= 17;
        EXPECT_EQ(Pixel(out, x, y), inside ? kBlack : kWhite) << cm << " at " << x << "," << y;
      }
  }
}

TEST(ImageDecoderDraw, ThinLinesOfAScanSurviveAsGrey) {
  // A 1-bit scan with one black line in every eight rows (and one black
  // column in every eight), drawn at a quarter of its size: picking one pixel
  // per device pixel would lose most lines; averaging keeps every one as a
  // grey line.
  std::string data(10 * 80, '\xFF');
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 80; ++x)
      if (y % 8 == 3 || x % 8 == 5) data[10 * y + x / 8] &= static_cast<char>(~(0x80 >> (x % 8)));
  ImagePage page;
  page.AddImage("Im0", "<< /Width 80 /Height 80 /ColorSpace /DeviceGray /BitsPerComponent 1 >>", data);
  Bitmap out = RenderFullPage(page);
  // Device row j covers scan rows 4j .. 4j + 3: odd rows hold a line.
  for (int j = 0; j < 20; ++j) {
    const int grey = GreyOf(out, 0, j);  // column 0 covers scan columns 0..3: no vertical line
    if (j % 2 == 0) EXPECT_EQ(grey, 191) << "row " << j;
    else EXPECT_EQ(grey, 255) << "row " << j;
    // Scan columns 4..7 hold a vertical line: 7 of 16 pixels black where
    // the lines cross.
    EXPECT_EQ(GreyOf(out, 1, j), j % 2 == 0 ? 143 : 191) << "row " << j;
  }
}

TEST(ImageDecoderDraw, PicturesDrawnLargerKeepTheirPixelsUnlessInterpolated) {
  // Two pixels, black and white, across a 20-point page.
  for (bool interpolate : {false, true}) {
    ImagePage page;
    page.AddImage("Im0",
                  std::string("<< /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /Interpolate ") +
                      (interpolate ? "true" : "false") + " >>",
                  Bytes({0, 255}));
    Bitmap out = RenderFullPage(page);
    if (!interpolate) {
      for (int x = 0; x < 20; ++x) EXPECT_EQ(Pixel(out, x, 10), x < 10 ? kBlack : kWhite) << x;
      continue;
    }
    // Flat near the edges, a ramp between the two pixel centres.
    EXPECT_EQ(Pixel(out, 0, 10), kBlack);
    EXPECT_EQ(Pixel(out, 19, 10), kWhite);
    for (int x = 6; x < 14; ++x) {
      EXPECT_GT(GreyOf(out, x, 10), GreyOf(out, x - 1, 10)) << x;
      EXPECT_LT(GreyOf(out, x, 10), 255) << x;
    }
  }
}

}  // namespace
}  // namespace ostrel
