// PNG import: the colour image (and, by option, the alpha image) of a PNG
// file as Flate-compressed image XObjects.
#include "pdf/compose/pdf_image.h"
#include "pdf/compose/png_reader.h"

namespace ostrel {

namespace {

// What each PNG option asks for.
struct TPNGOption {
  bool ColorImage;    // a colour image is made
  bool AlphaImage;    // an alpha image is made (when the file has alpha)
  bool AlphaIsSMask;  // the alpha image becomes the colour image's /SMask
  bool ReduceColor;   // 16-bit colour kept as 8 bits
  bool ReduceAlpha;   // 16-bit alpha kept as 8 bits
  bool ColorNeeds15;  // 16-bit colour asks for PDF 1.5
  bool AlphaNeeds15;  // 16-bit alpha asks for PDF 1.5
};
constexpr TPNGOption kPNGOptions[7] = {
    {true, true, true, false, false, true, true},     // 0: colour with a soft mask, as the file shows it
    {false, true, false, false, false, false, true},  // 1: the alpha channel alone
    {true, true, true, false, true, true, false},     // 2: colour with a soft mask
    {true, false, false, true, false, false, false},  // 3: colour reduced to 8 bits
    {false, true, false, false, true, false, false},  // 4: alpha alone, 8 bits
    {true, true, true, true, true, false, false},     // 5: colour and soft mask, 8 bits
    {true, true, true, false, false, true, true},     // 6: colour and soft mask, full depth
};

// The colour-key mask of a tRNS chunk: one grey or RGB value, or one run of
// palette entries that are fully transparent while all others are opaque.
// Partly transparent palettes are not expressed.
TPDFArray* TransparencyKeyOf(TPDFStructure& pool, const TPNGReader& png) {
  const std::string& t = png.Transparency;
  auto sample = [&](size_t at) { return (uint32_t(uint8_t(t[at])) << 8 | uint8_t(t[at + 1])) & ((1u << png.BitDepth) - 1); };
  if (png.ColorType == 0 && t.size() >= 2) return pool.NewIntegerArray({sample(0), sample(0)});
  if (png.ColorType == 2 && t.size() >= 6)
    return pool.NewIntegerArray({sample(0), sample(0), sample(2), sample(2), sample(4), sample(4)});
  if (png.ColorType != 3 || t.empty()) return nullptr;
  int first = -1, last = -1;
  for (size_t i = 0; i < t.size() && i < size_t(png.PaletteEntries); ++i) {
    uint8_t alpha = uint8_t(t[i]);
    if (alpha == 255) continue;
    if (alpha != 0 || (last >= 0 && size_t(last) + 1 != i)) return nullptr;
    if (first < 0) first = int(i);
    last = int(i);
  }
  return first < 0 ? nullptr : pool.NewIntegerArray({first, last});
}

}  // namespace

bool TPDFImage::LoadPNG(std::string_view file, int options) {
  Kind = kPNG;
  const TPNGOption& option = kPNGOptions[options >= 0 && options <= 6 ? options : 0];
  TPNGReader png;
  png.ReduceColor16 = option.ReduceColor;
  png.ReduceAlpha16 = option.ReduceAlpha;
  if (!png.Read(file)) return false;
  // A palette image without its palette has no colours to show.
  if (png.ColorType == 3 && png.PaletteEntries == 0) return false;
  const bool alpha = option.AlphaImage && png.HasAlpha() && !png.AlphaSamples.empty();
  if (!option.ColorImage && !alpha) return false;

  TPDFStream* alphaImage = nullptr;
  if (alpha) {
    TPDFDictionary* dict = NewImageDict(png.Width, png.Height);
    dict->SetValue("ColorSpace", Pool->NewName("DeviceGray"));
    dict->SetValue("BitsPerComponent", Pool->NewNumeric(png.AlphaDepth));
    dict->SetValue("Filter", Pool->NewName("FlateDecode"));
    if (png.AlphaRowsFiltered) dict->SetValue("DecodeParms", PNGPredictorParms(1, png.AlphaDepth, png.Width));
    alphaImage = NewIndirectStream(dict, png.AlphaSamples);
    if (!alphaImage) return false;
    NeedsPDF15 = NeedsPDF15 || (option.AlphaNeeds15 && png.AlphaDepth == 16);
    if (!option.ColorImage) {
      ColorSpaceName = "DeviceGray";
      Adopt(alphaImage, png.Width, png.Height);
      return true;
    }
  }

  TPDFDictionary* dict = NewImageDict(png.Width, png.Height);
  if (png.ColorType == 3) {
    ColorSpaceName = "Indexed";
    TPDFArray* space = Pool->NewArray();
    space->Add(Pool->NewName("Indexed"));
    TPDFObject* base = ICCSpace(png.ICCProfile, 3);
    space->Add(base ? base : Pool->NewName("DeviceRGB"));
    space->Add(Pool->NewNumeric(png.PaletteEntries - 1));
    space->Add(Pool->NewString(png.Palette, TPDFStringForm::Hex));
    dict->SetValue("ColorSpace", space);
  } else {
    ColorSpaceName = png.ColorChannels() == 1 ? "DeviceGray" : "DeviceRGB";
    TPDFObject* profiled = ICCSpace(png.ICCProfile, png.ColorChannels());
    dict->SetValue("ColorSpace", profiled ? profiled : Pool->NewName(ColorSpaceName));
  }
  dict->SetValue("BitsPerComponent", Pool->NewNumeric(png.ColorDepth));
  dict->SetValue("Filter", Pool->NewName("FlateDecode"));
  // The file's own data, or the samples filtered anew, carry PNG row filters;
  // the predictor undoes them.
  if (png.ColorRowsFiltered)
    dict->SetValue("DecodeParms", PNGPredictorParms(png.ColorType == 3 ? 0 : png.ColorChannels(),
                                                    png.ColorDepth, png.Width));
  if (alphaImage && option.AlphaIsSMask) dict->SetValue("SMask", ReferenceTo(alphaImage));
  if (!alphaImage && option.AlphaIsSMask) {
    if (TPDFArray* key = TransparencyKeyOf(*Pool, png)) dict->SetValue("Mask", key);
  }
  NeedsPDF15 = NeedsPDF15 || (option.ColorNeeds15 && png.ColorDepth == 16);
  TPDFStream* stream = NewIndirectStream(dict, std::move(png.ColorSamples));
  if (!stream) return false;
  Adopt(stream, png.Width, png.Height);
  return true;
}

}  // namespace ostrel
