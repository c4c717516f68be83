// Image import: what each file format becomes inside a document.
#include <gtest/gtest.h>
#include <tiff.h>

#include "tests/compose/image_files.h"
#include "pdf/compose/document_images.h"
#include "pdf/compose/page_resources.h"
#include "pdf/compose/pdf_image.h"
#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "pdf/filters/flate_filter.h"
#include "pdf/filters/run_length_filter.h"
#include "platform/bmp_reader.h"

namespace ostrel {
namespace {

using namespace ostrel::testing;

class ImageImport : public ::testing::Test {
 protected:
  void SetUp() override { document.NewDocument(); }
  TPDFImage* Import(const std::string& file, int options = 0) { return ImportImage(document, file, options, false); }
  static TPDFStream* StreamOf(const TPDFImage* image) { return PdfCast<TPDFStream>(image->Reference->Resolve()); }
  static std::string Entry(const TPDFDictionary* dict, std::string_view key) {
    TPDFObject* value = dict->GetValue(key, true);
    return value ? value->ToText() : "";
  }
  TPDFDocument document;
};

TEST_F(ImageImport, JpegIsEmbeddedByteForByteWithItsColourSpace) {
  struct Case {
    int Channels;
    bool Progressive;
    const char* Space;
  } cases[] = {{3, false, "/DeviceRGB"}, {3, true, "/DeviceRGB"}, {1, false, "/DeviceGray"}, {4, false, "/DeviceCMYK"}};
  for (const Case& c : cases) {
    std::string jpeg = MakeJpeg(Pattern(17, 9, c.Channels, 8), c.Progressive);
    TPDFImage* image = Import(jpeg);
    ASSERT_TRUE(image) << c.Space;
    EXPECT_EQ(image->Kind, TPDFImage::kJPEG);
    EXPECT_EQ(image->PixelWidth, 17);
    EXPECT_EQ(image->PixelHeight, 9);
    TPDFStream* stream = StreamOf(image);
    EXPECT_EQ(stream->RawData, jpeg);
    EXPECT_EQ(Entry(image->XObjectDict, "ColorSpace"), c.Space);
    EXPECT_EQ(Entry(image->XObjectDict, "Filter"), "/DCTDecode");
    EXPECT_EQ(Entry(image->XObjectDict, "Decode"), c.Channels == 4 ? "[ 1 0 1 0 1 0 1 0 ]" : "");
  }
  // A frame marker the scan does not take (SOF5) leaves no size: the import fails.
  std::string jpeg = MakeJpeg(Pattern(8, 8, 1, 8));
  size_t sof = jpeg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  jpeg[sof + 1] = '\xC5';
  EXPECT_FALSE(Import(jpeg));
  EXPECT_EQ(document.Images.size(), 4u);
}

TEST_F(ImageImport, PngPassesThroughOrIsRecompressed) {
  SampleImage rgb = Pattern(9, 6, 3, 8);
  TPDFImage* plain = Import(MakePng(rgb, {2}));
  ASSERT_TRUE(plain);
  auto* parms = plain->XObjectDict->Get<TPDFDictionary>("DecodeParms");
  ASSERT_TRUE(parms);
  EXPECT_EQ(parms->GetInteger("Predictor", 0), 15);
  EXPECT_EQ(parms->GetInteger("Colors", 0), 3);
  EXPECT_EQ(parms->GetInteger("Columns", 0), 9);
  EXPECT_EQ(StreamOf(plain)->DecodedData(), PackedRows(rgb));  // the predictor undoes the row filters

  SampleImage rgba = Pattern(9, 6, 4, 8);
  TPDFImage* alpha = Import(MakePng(rgba, {6, true}));
  ASSERT_TRUE(alpha);
  EXPECT_NE(Entry(alpha->XObjectDict, "SMask"), "");  // option 0 keeps alpha as a soft mask
  EXPECT_EQ(Entry(alpha->XObjectDict, "ColorSpace"), "/DeviceRGB");
  EXPECT_EQ(StreamOf(alpha)->DecodedData().size(), 9u * 6 * 3);

  TPDFImage* masked = Import(MakePng(rgba, {6}), 2);
  ASSERT_TRUE(masked);
  EXPECT_NE(Entry(masked->XObjectDict, "SMask"), "");

  PngOptions indexed{3};
  indexed.Palette = std::string("\xFF\0\0\0\xFF\0", 6);
  TPDFImage* palette = Import(MakePng(Pattern(5, 5, 1, 1), indexed));
  ASSERT_TRUE(palette);
  std::string space = Entry(palette->XObjectDict, "ColorSpace");
  EXPECT_NE(space.find("/Indexed"), std::string::npos);
  EXPECT_NE(space.find("<FF000000FF00>"), std::string::npos);
  EXPECT_EQ(palette->XObjectDict->Get<TPDFDictionary>("DecodeParms")->GetValue("Colors"), nullptr);
  EXPECT_FALSE(Import(MakePng(Pattern(5, 5, 1, 1), {3})));  // no PLTE

  EXPECT_FALSE(palette->NeedsPDF15);
  TPDFImage* deep = Import(MakePng(Pattern(3, 3, 1, 16), {0}));
  ASSERT_TRUE(deep);
  EXPECT_TRUE(deep->NeedsPDF15);
}

TEST_F(ImageImport, BmpBecomesSamplesInRgbOrder) {
  TPDFImage* rgb = Import(MakeBmp(2, 1, {24}, {0x112233, 0x445566}));
  ASSERT_TRUE(rgb);
  EXPECT_EQ(StreamOf(rgb)->RawData, "\x11\x22\x33\x44\x55\x66");
  EXPECT_EQ(Entry(rgb->XObjectDict, "Filter"), "");

  TPDFImage* whiteFirst = Import(MakeBmp(3, 1, {1, false, 0, {0xFFFFFF, 0}}, {0, 1, 0}));
  ASSERT_TRUE(whiteFirst);
  EXPECT_EQ(Entry(whiteFirst->XObjectDict, "Decode"), "[ 1 0 ]");
  EXPECT_EQ(StreamOf(whiteFirst)->RawData, "\x40");

  // A two-colour palette that is not black and white keeps its colours.
  TPDFImage* coloured = Import(MakeBmp(2, 1, {1, false, 0, {0xFF0000, 0x0000FF}}, {0, 1}));
  ASSERT_TRUE(coloured);
  EXPECT_EQ(StreamOf(coloured)->RawData, std::string("\xFF\0\0\0\0\xFF", 6));

  std::vector<uint32_t> ramp, colours;
  for (uint32_t i = 0; i < 256; ++i) ramp.push_back(i * 0x010101), colours.push_back(i * 0x010203 & 0xFFFFFF);
  TPDFImage* grey = Import(MakeBmp(3, 2, {8, false, 0, ramp}, {0, 7, 255, 9, 8, 1}));
  ASSERT_TRUE(grey);
  EXPECT_EQ(Entry(grey->XObjectDict, "ColorSpace"), "/DeviceGray");
  EXPECT_EQ(StreamOf(grey)->RawData, std::string("\0\7\xFF\x09\x08\1", 6));
  TPDFImage* paletted = Import(MakeBmp(3, 2, {8, false, 0, colours}, {0, 7, 255, 9, 8, 1}));
  ASSERT_TRUE(paletted);
  EXPECT_EQ(Entry(paletted->XObjectDict, "ColorSpace"), "/DeviceRGB");
  EXPECT_EQ(StreamOf(paletted)->RawData.size(), 18u);
}

TEST_F(ImageImport, GifIsImportedAtItsScreenSizeCompressed) {
  GifFrame frame{1, 1, 2, 2};
  frame.Indices = {0, 1, 1, 0};
  frame.MinCodeSize = 2;
  TPDFImage* gif = Import(MakeGif(5, 4, std::string("\0\0\0\xFF\xFF\xFF", 6), {frame}));
  ASSERT_TRUE(gif);
  EXPECT_EQ(gif->PixelWidth, 5);
  EXPECT_EQ(gif->PixelHeight, 4);
  EXPECT_EQ(Entry(gif->XObjectDict, "Filter"), "/FlateDecode");
  EXPECT_FALSE(Import(MakeGif(5, 4, "", {})));  // no frame
}

TEST_F(ImageImport, TiffStripsKeepTheirCompression) {
  SampleImage grey = Pattern(10, 9, 1, 8);
  TiffOptions lzw;
  lzw.Photometric = 1, lzw.Compression = 5, lzw.Predictor = 2, lzw.BigEndian = true;
  TPDFImage* one = Import(MakeTiff({grey}, lzw));
  ASSERT_TRUE(one);
  EXPECT_EQ(Entry(one->XObjectDict, "Filter"), "/LZWDecode");
  EXPECT_EQ(StreamOf(one)->DecodedData(), PackedRows(grey));

  lzw.RowsPerStrip = 4;  // strips of 4, 4 and 1 rows
  TPDFImage* form = Import(MakeTiff({grey}, lzw));
  ASSERT_TRUE(form);
  EXPECT_EQ(Entry(form->XObjectDict, "Subtype"), "/Form");
  auto* names = form->XObjectDict->Get<TPDFDictionary>("Resources")->Get<TPDFDictionary>("XObject");
  ASSERT_EQ(names->Count(), 3u);
  std::string joined;
  for (size_t i = 0; i < 3; ++i) joined += PdfCast<TPDFStream>(names->GetValue(names->EntryAt(i).first->Value, true))->DecodedData();
  EXPECT_EQ(joined, PackedRows(grey));
  // Each strip sits at the share of the rows below it; subtracting shares
  // one by one left the last strip a hair above the bottom edge.
  std::string content = StreamOf(form)->DecodedData();
  EXPECT_NE(content.find("q 1 0 0 0.4444444444 0 0.5555555556 cm /"), std::string::npos) << content;
  EXPECT_NE(content.find("q 1 0 0 0.4444444444 0 0.1111111111 cm /"), std::string::npos) << content;
  EXPECT_NE(content.find("q 1 0 0 0.1111111111 0 0 cm /"), std::string::npos) << content;

  TiffOptions packbits;
  packbits.Photometric = 2, packbits.Compression = 32773, packbits.RowsPerStrip = 2;
  SampleImage rgb = Pattern(6, 5, 3, 8);
  TPDFImage* rle = Import(MakeTiff({rgb}, packbits));
  ASSERT_TRUE(rle);
  EXPECT_EQ(Entry(rle->XObjectDict, "Filter"), "[ /FlateDecode /RunLengthDecode ]");
  EXPECT_EQ(RunLengthDecode(StreamOf(rle)->DecodedData()), PackedRows(rgb));
}

TEST_F(ImageImport, LittleEndianSixteenBitTiffIsSwapped) {
  SampleImage deep = Pattern(4, 3, 3, 16);
  TiffOptions o;
  o.Photometric = 2;
  TPDFImage* image = Import(MakeTiff({deep}, o));
  ASSERT_TRUE(image);
  EXPECT_TRUE(image->NeedsPDF15);
  EXPECT_EQ(StreamOf(image)->DecodedData(), PackedRows(deep));
}

TEST_F(ImageImport, JpegTiffGetsItsTablesAndOneScale) {
  SampleImage rgb = Pattern(16, 24, 3, 8);
  TiffOptions o;
  o.Photometric = 2, o.Compression = 7, o.RowsPerStrip = 8;
  TPDFImage* form = Import(MakeTiff({rgb}, o));
  ASSERT_TRUE(form);
  EXPECT_EQ(form->PixelHeight, 24);
  EXPECT_EQ(Entry(form->XObjectDict, "BBox"), "[ 0 0 1 1 ]");
  std::string content = StreamOf(form)->DecodedData();
  EXPECT_EQ(content.substr(0, 23), "q 0.0625 0 0 0.04166666");
  auto* names = form->XObjectDict->Get<TPDFDictionary>("Resources")->Get<TPDFDictionary>("XObject");
  ASSERT_EQ(names->Count(), 3u);
  auto* strip = PdfCast<TPDFStream>(names->GetValue(names->EntryAt(0).first->Value, true));
  // The strip now carries the quantisation and Huffman tables itself.
  EXPECT_NE(strip->RawData.find("\xFF\xDB"), std::string::npos);
  EXPECT_NE(strip->RawData.find("\xFF\xC4"), std::string::npos);
  EXPECT_EQ(strip->StreamDict->Get<TPDFDictionary>("DecodeParms")->GetInteger("ColorTransform", 1), 0);
}

TEST_F(ImageImport, UnsupportedTiffsFail) {
  const size_t objectsBefore = document.IndirectObjects().size();
  SampleImage grey = Pattern(4, 4, 1, 8);
  TiffOptions deflate;
  deflate.Photometric = 1, deflate.Compression = 8;
  EXPECT_FALSE(Import(MakeTiff({grey}, deflate)));
  TiffOptions plain;
  plain.Photometric = 1;
  std::string zeroWide = MakeTiff({grey}, plain);
  // Width tag value (the first entry after the count) set to 0.
  uint32_t ifd = uint8_t(zeroWide[4]) | uint8_t(zeroWide[5]) << 8;
  zeroWide[ifd + 2 + 8] = zeroWide[ifd + 2 + 9] = 0;
  EXPECT_FALSE(Import(zeroWide));
  EXPECT_TRUE(document.Images.empty());
  // Nothing of a failed import is left to be written.
  EXPECT_EQ(document.IndirectObjects().size(), objectsBefore);
}

// The soft mask's samples, inflated; "none" without a soft mask.
std::string SoftMaskOf(const TPDFImage* image) {
  auto* mask = PdfCast<TPDFStream>(image->XObjectDict->GetValue("SMask", true));
  return mask ? FlateDecode(mask->RawData) : "none";
}

TEST_F(ImageImport, AlphaBecomesASoftMaskWhereThePictureHasSome) {
  GifFrame frame{0, 0, 3, 1};
  frame.Indices = {0, 1, 0};
  frame.TransparentIndex = 1;
  frame.MinCodeSize = 2;
  TPDFImage* gif = Import(MakeGif(3, 1, std::string("\0\0\0\xFF\xFF\xFF", 6), {frame}));
  ASSERT_TRUE(gif);
  EXPECT_EQ(SoftMaskOf(gif), std::string("\xFF\0\xFF", 3));

  TPDFImage* bmp = Import(MakeBmp(2, 1, {32}, {0x80112233, 0xFF445566}));
  ASSERT_TRUE(bmp);
  EXPECT_EQ(SoftMaskOf(bmp), "\x80\xFF");
  EXPECT_EQ(StreamOf(bmp)->RawData, "\x11\x22\x33\x44\x55\x66");
  // Writers that know no alpha leave it 0: such a file stays opaque, as before.
  TPDFImage* unset = Import(MakeBmp(2, 1, {32}, {0x112233, 0x445566}));
  ASSERT_TRUE(unset);
  EXPECT_EQ(SoftMaskOf(unset), "none");

  // RGBA TIFF samples: colour 0x40 at alpha 0x80, colour 0x10 at alpha 0xFF.
  SampleImage rgba{2, 1, 4, 8, {0x40, 0x40, 0x40, 0x80, 0x10, 0x20, 0x30, 0xFF}};
  struct Case {
    uint16_t Extra;
    std::string Colour, Mask;
  } cases[] = {
      {EXTRASAMPLE_UNASSALPHA, "\x40\x40\x40\x10\x20\x30", "\x80\xFF"},
      {EXTRASAMPLE_ASSOCALPHA, "\x80\x80\x80\x10\x20\x30", "\x80\xFF"},  // premultiplied: divided out
      {EXTRASAMPLE_UNSPECIFIED, "\x40\x40\x40\x10\x20\x30", "none"},        // not alpha: dropped
  };
  for (const Case& c : cases) {
    TiffOptions o;
    o.ExtraSamples = {c.Extra};
    TPDFImage* tiff = Import(MakeTiff({rgba}, o));
    ASSERT_TRUE(tiff) << c.Extra;
    EXPECT_EQ(FlateDecode(StreamOf(tiff)->RawData), c.Colour) << c.Extra;
    EXPECT_EQ(SoftMaskOf(tiff), c.Mask) << c.Extra;
  }
}

TEST_F(ImageImport, ColourProfilesBecomeICCBasedSpacesWhenTheyFit) {
  const std::string rgbProfile = MakeIccProfile("RGB ", 400);
  auto profileOf = [](const TPDFImage* image) -> std::string {
    auto* space = PdfCast<TPDFArray>(image->XObjectDict->GetValue("ColorSpace", true));
    if (!space) return "none";
    if (space->Count() == 4) space = PdfCast<TPDFArray>(space->ItemResolved(1));  // an indexed base
    auto* stream = space ? PdfCast<TPDFStream>(space->ItemResolved(1)) : nullptr;
    return stream ? FlateDecode(stream->RawData) : "none";
  };
  PngOptions withProfile(2);
  withProfile.IccProfile = rgbProfile;
  TPDFImage* png = Import(MakePng(Pattern(3, 2, 3, 8), withProfile));
  ASSERT_TRUE(png);
  EXPECT_EQ(profileOf(png), rgbProfile);
  PngOptions palette(3, false, std::string("\xFF\0\0\0\xFF\0", 6));
  palette.IccProfile = rgbProfile;
  TPDFImage* indexed = Import(MakePng(Pattern(3, 2, 1, 1), palette));
  ASSERT_TRUE(indexed);
  EXPECT_EQ(profileOf(indexed), rgbProfile);
  // A grey profile cannot describe RGB samples: the device space stays.
  withProfile.IccProfile = MakeIccProfile("GRAY", 400);
  TPDFImage* mismatched = Import(MakePng(Pattern(3, 2, 3, 8), withProfile));
  ASSERT_TRUE(mismatched);
  EXPECT_EQ(Entry(mismatched->XObjectDict, "ColorSpace"), "/DeviceRGB");
}

TEST_F(ImageImport, PlacedImageIsAPageResource) {
  TPDFImage* image = Import(MakeBmp(2, 2, {24}, {1, 2, 3, 4}));
  ASSERT_TRUE(image);
  RegisterImage(document.PageTree(), *image);
  auto* xobjects = document.PageTree().PageResources()->Get<TPDFDictionary>("XObject");
  ASSERT_TRUE(xobjects);
  EXPECT_EQ(xobjects->GetValue(image->ResourceName, true), StreamOf(image));
  EXPECT_EQ(image->ResourceName.rfind("OstrelIm", 0), 0u);
  EXPECT_EQ(image->ResourceName.size(), 16u);
}

}  // namespace
}  // namespace ostrel
