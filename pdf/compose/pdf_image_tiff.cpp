// TIFF import: the strips of one TIFF page embedded as they are stored, under
// the PDF filter that reads their compression.
#include <algorithm>

#include "pdf/compose/image_limits.h"
#include "pdf/compose/pdf_image.h"
#include "pdf/compose/tiff_reader.h"
#include "pdf/core/number_format.h"
#include "pdf/filters/flate_filter.h"

namespace ostrel {

namespace {

// Fraction digits of positions inside the unit square: four would misplace
// strips of tall images by whole pixels.
constexpr int kUnitDigits = 10;

uint8_t ReversedBits(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

bool IsCCITT(TTIFFCompression c) {
  return c == TTIFFCompression::Group4 || c == TTIFFCompression::Group3OneD || c == TTIFFCompression::Group3TwoD;
}

// Samples per pixel each photometric interpretation we embed needs.
int ComponentsFor(int photometric) {
  switch (photometric) {
    case 0:
    case 1:
    case 3: return 1;
    case 2: return 3;
    case 5: return 4;
  }
  return 0;
}

// Abbreviated JPEG strips get the tables of the JPEGTables tag put in front:
// the tables stream without its end marker, then the strip without its start
// marker.
std::string CompleteJPEGStrip(std::string_view strip, const std::string& tables) {
  if (tables.size() < 4 || strip.size() < 2 || tables.compare(0, 2, "\xFF\xD8") != 0 ||
      strip.substr(0, 2) != "\xFF\xD8")
    return std::string(strip);
  size_t tablesEnd = tables.size();
  if (tables.compare(tablesEnd - 2, 2, "\xFF\xD9") == 0) tablesEnd -= 2;
  std::string joined = tables.substr(0, tablesEnd);
  joined.append(strip.substr(2));
  return joined;
}

}  // namespace

bool TPDFImage::LoadTIFF(std::string_view file, int options) {
  Kind = kTIFF;
  TPDFTIFF tiff;
  tiff.Read(std::string(file));
  if (tiff.PageCount() == 0) return false;
  PagesInFile = tiff.PageCount();
  int n = std::clamp(options, 1, tiff.PageCount());
  std::optional<TTIFFPage> found = tiff.Page(n);
  const TTIFFPage& page = *found;
  Orientation = page.Orientation;
  if (page.Width == 0 || page.Height == 0 || uint64_t{page.Width} * page.Height > kMaxImagePixels) return false;
  if (page.Compression == TTIFFCompression::Unsupported || page.PlanarSeparate || page.Tiled ||
      page.Strips.empty())
    return false;
  if (page.Compression == TTIFFCompression::JPEG && page.ExtraSamples > 0) {
    // JPEG data cannot carry a soft mask: decoded and split into colour and
    // alpha like uncompressed samples. (libtiff writes YCbCr JPEG with three
    // samples only.)
    const int colours = page.Photometric == 3 ? 0 : ComponentsFor(page.Photometric);
    if (colours == 0 || page.SamplesPerPixel != colours + page.ExtraSamples) return false;
    return ImportTIFFExtraSamples(tiff, n, page);
  }
  if (page.Compression == TTIFFCompression::JPEG) return ImportTIFFJPEG(page);

  const int bits = page.BitsPerSample;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) return false;
  if (page.ExtraSamples > 0 && page.Photometric != 3 && ComponentsFor(page.Photometric) > 0 &&
      page.SamplesPerPixel == ComponentsFor(page.Photometric) + page.ExtraSamples)
    return ImportTIFFExtraSamples(tiff, n, page);
  if (page.SampleFormat != 1 || ComponentsFor(page.Photometric) != page.SamplesPerPixel) return false;
  if (IsCCITT(page.Compression) && (bits != 1 || page.SamplesPerPixel != 1)) return false;
  if (page.Predictor != 1 && page.Predictor != 2) return false;
  if (page.Photometric == 3 && (bits > 8 || page.ColorMap.empty())) return false;
  NeedsPDF15 = bits == 16;
  // PDF reads 16-bit samples big-endian: little-endian ones are decoded and
  // swapped rather than embedded as they are.
  std::string decoded;
  if (bits == 16 && page.LittleEndian) {
    decoded = tiff.DecodedSamples(n);
    if (decoded.empty()) return false;
  }
  return ImportTIFFPage(page, decoded);
}

void TPDFImage::DescribeTIFFSamples(TPDFDictionary* dict, const TTIFFPage& page, TPDFStream* profile) {
  if (page.Photometric == 3) {
    ColorSpaceName = "Indexed";
    size_t entries = size_t{1} << page.BitsPerSample, n = page.ColorMap.size() / 3;
    std::string palette(3 * entries, '\0');
    for (size_t i = 0; i < std::min(entries, n); ++i)
      for (size_t c = 0; c < 3; ++c) palette[3 * i + c] = static_cast<char>(page.ColorMap[c * n + i] >> 8);
    TPDFArray* space = Pool->NewArray();
    space->Add(Pool->NewName("Indexed"));
    space->Add(profile ? ICCBasedSpace(profile) : Pool->NewName("DeviceRGB"));
    space->Add(Pool->NewNumeric(static_cast<double>(entries - 1)));
    space->Add(Pool->NewString(palette, TPDFStringForm::Hex));
    dict->SetValue("ColorSpace", space);
  } else {
    ColorSpaceName = page.Photometric == 2 ? "DeviceRGB" : page.Photometric == 5 ? "DeviceCMYK" : "DeviceGray";
    dict->SetValue("ColorSpace", profile ? ICCBasedSpace(profile) : Pool->NewName(ColorSpaceName));
  }
  dict->SetValue("BitsPerComponent", Pool->NewNumeric(page.BitsPerSample));
  if (page.Photometric == 0) dict->SetValue("Decode", Pool->NewIntegerArray({1, 0}));
}

bool TPDFImage::ImportTIFFPage(const TTIFFPage& page, const std::string& decoded) {
  const int64_t width = page.Width, height = page.Height;
  TPDFStream* profile = ICCProfileStream(page.ICCProfile, page.Photometric == 3 ? 3 : ComponentsFor(page.Photometric));
  auto describe = [&](TPDFDictionary* dict) { DescribeTIFFSamples(dict, page, profile); };

  if (!decoded.empty() || page.Compression == TTIFFCompression::PackBits) {
    // One image of all rows. PackBits strips are run-length data that PDF reads
    // as it is; decoded samples are simply compressed.
    TPDFDictionary* dict = NewImageDict(width, height);
    describe(dict);
    std::string data;
    if (!decoded.empty()) {
      data = FlateEncode(decoded);
      dict->SetValue("Filter", Pool->NewName("FlateDecode"));
    } else {
      for (std::string_view strip : page.Strips) data.append(strip);
      if (page.FillOrderReversed)
        for (char& c : data) c = static_cast<char>(ReversedBits(static_cast<uint8_t>(c)));
      data = FlateEncode(data);
      dict->SetValue("Filter", Pool->NewArrayOf({Pool->NewName("FlateDecode"), Pool->NewName("RunLengthDecode")}));
    }
    TPDFStream* stream = NewIndirectStream(dict, std::move(data));
    if (!stream) return false;
    Adopt(stream, width, height);
    return true;
  }

  // One image XObject per strip.
  auto stripImage = [&](std::string_view strip, int64_t rows) -> TPDFStream* {
    TPDFDictionary* dict = NewImageDict(width, rows);
    describe(dict);
    std::string data(strip);
    if (page.FillOrderReversed)
      for (char& c : data) c = static_cast<char>(ReversedBits(static_cast<uint8_t>(c)));
    TPDFDictionary* parms = nullptr;
    if (page.Compression == TTIFFCompression::LZW) {
      dict->SetValue("Filter", Pool->NewName("LZWDecode"));
      if (page.Predictor > 1) {
        parms = Pool->NewDictionary();
        parms->SetValue("Predictor", Pool->NewNumeric(page.Predictor));
        parms->SetValue("Colors", Pool->NewNumeric(page.SamplesPerPixel));
        if (page.BitsPerSample != 8) parms->SetValue("BitsPerComponent", Pool->NewNumeric(page.BitsPerSample));
        parms->SetValue("Columns", Pool->NewNumeric(static_cast<double>(width)));
      }
    } else if (IsCCITT(page.Compression)) {
      dict->SetValue("Filter", Pool->NewName("CCITTFaxDecode"));
      parms = Pool->NewDictionary();
      int k = page.Compression == TTIFFCompression::Group4 ? -1 : page.Compression == TTIFFCompression::Group3TwoD;
      parms->SetValue("K", Pool->NewNumeric(k));
      parms->SetValue("Columns", Pool->NewNumeric(static_cast<double>(width)));
      parms->SetValue("Rows", Pool->NewNumeric(static_cast<double>(rows)));
      parms->SetValue("BlackIs1", Pool->NewBoolean(true));
      if (page.ByteAlignedLines) {
        parms->SetValue("EncodedByteAlign", Pool->NewBoolean(true));
        parms->SetValue("EndOfLine", Pool->NewBoolean(true));
      }
    } else if (CompressPixels) {
      data = FlateEncode(data);
      dict->SetValue("Filter", Pool->NewName("FlateDecode"));
    }
    if (parms) dict->SetValue("DecodeParms", parms);
    return NewIndirectStream(dict, std::move(data));
  };

  const int64_t perStrip = std::max<int64_t>(1, page.RowsPerStrip);
  if (page.Strips.size() == 1) {
    TPDFStream* stream = stripImage(page.Strips[0], height);
    if (!stream) return false;
    Adopt(stream, width, height);
    return true;
  }

  // Several strips: a form over the unit square draws them from the top down,
  // so the page's placement scales it like a single image.
  TPDFDictionary* names = Pool->NewDictionary();
  std::string content;
  int64_t rowsLeft = height;
  for (std::string_view strip : page.Strips) {
    if (rowsLeft <= 0) break;
    int64_t rows = std::min(rowsLeft, perStrip);
    rowsLeft -= rows;
    TPDFStream* image = stripImage(strip, rows);
    if (!image) return false;
    std::string name = NewImageResourceName();
    names->SetValue(name, ReferenceTo(image));
    // Each position is taken from the rows below the strip rather than by
    // subtracting shares, so the errors do not add up and the last strip
    // sits at exactly 0.
    double share = static_cast<double>(rows) / static_cast<double>(height);
    double y = static_cast<double>(rowsLeft) / static_cast<double>(height);
    content += "q 1 0 0 " + FormatPdfNumber(share, kUnitDigits) + " 0 " + FormatPdfNumber(y, kUnitDigits) +
               " cm /" + name + " Do Q\n";
  }
  TPDFDictionary* form = Pool->NewDictionary();
  form->SetValue("Type", Pool->NewName("XObject"));
  form->SetValue("Subtype", Pool->NewName("Form"));
  form->SetValue("BBox", Pool->NewIntegerArray({0, 0, 1, 1}));
  TPDFDictionary* resources = Pool->NewDictionary();
  resources->SetValue("XObject", names);
  form->SetValue("Resources", resources);
  form->SetValue("Filter", Pool->NewName("FlateDecode"));
  TPDFStream* stream = NewIndirectStream(form, FlateEncode(content));
  if (!stream) return false;
  Adopt(stream, width, height);
  return true;
}

bool TPDFImage::ImportTIFFExtraSamples(const TPDFTIFF& tiff, int n, const TTIFFPage& page) {
  const int bits = page.BitsPerSample, colours = ComponentsFor(page.Photometric);
  if ((bits != 8 && bits != 16) || page.SampleFormat != 1 || page.Predictor > 2) return false;
  if (page.Compression != TTIFFCompression::None && page.Compression != TTIFFCompression::PackBits &&
      page.Compression != TTIFFCompression::LZW && page.Compression != TTIFFCompression::JPEG)
    return false;
  const std::string decoded = tiff.DecodedSamples(n);  // 16-bit samples come big-endian
  const size_t bytes = size_t(bits) / 8, pixels = size_t(page.Width) * page.Height;
  const size_t stride = size_t(page.SamplesPerPixel) * bytes;
  if (decoded.size() < pixels * stride) return false;
  const uint32_t maximum = (1u << bits) - 1;
  auto read = [&](const char* at) -> uint32_t {
    return bytes == 1 ? uint8_t(at[0]) : uint32_t{uint8_t(at[0])} << 8 | uint8_t(at[1]);
  };
  auto write = [&](std::string& out, uint32_t value) {
    if (bytes == 2) out.push_back(char(value >> 8));
    out.push_back(char(value & 0xFF));
  };
  // Extra samples other than alpha are dropped; premultiplied colour is
  // divided by its alpha, since soft masks take colour as it is.
  const bool alpha = page.AlphaKind != 0, premultiplied = page.AlphaKind == 1;
  std::string colour, opacity;
  colour.reserve(pixels * colours * bytes);
  if (alpha) opacity.reserve(pixels * bytes);
  bool opaque = true;
  for (size_t i = 0; i < pixels; ++i) {
    const char* px = decoded.data() + i * stride;
    const uint32_t a = alpha ? read(px + colours * bytes) : maximum;
    for (int c = 0; c < colours; ++c) {
      uint32_t value = read(px + c * bytes);
      if (premultiplied) value = a == 0 ? 0 : std::min<uint32_t>(maximum, (value * maximum + a / 2) / a);
      write(colour, value);
    }
    if (alpha) write(opacity, a);
    opaque = opaque && a == maximum;
  }
  TPDFStream* profile = ICCProfileStream(page.ICCProfile, colours);
  TPDFDictionary* dict = NewImageDict(page.Width, page.Height);
  DescribeTIFFSamples(dict, page, profile);
  std::string data = FlateSamples(dict, colour, colours, bits, page.Width);
  if (data.empty()) return false;
  if (alpha && !opaque && !AttachSoftMask(dict, page.Width, page.Height, bits, opacity)) return false;
  NeedsPDF15 = bits == 16;
  TPDFStream* stream = NewIndirectStream(dict, std::move(data));
  if (!stream) return false;
  Adopt(stream, page.Width, page.Height);
  return true;
}

bool TPDFImage::ImportTIFFJPEG(const TTIFFPage& page) {
  const bool rgb = page.Photometric == 2;
  TPDFStream* profile = ICCProfileStream(page.ICCProfile, page.SamplesPerPixel);
  const int64_t width = page.Width, height = page.Height;
  if (page.Strips.size() == 1) {
    int64_t w = 0, h = 0;
    TPDFStream* stream =
        NewJPEGImage(CompleteJPEGStrip(page.Strips[0], page.JPEGTables), w, h, rgb, ICCBasedSpace(profile));
    if (!stream) return false;
    Adopt(stream, w, h);
    return true;
  }
  // Several strips: each placed in pixel units below the one before, inside
  // a mapping of the pixels onto the unit square, which the page's placement
  // then scales to the image rectangle (like a single image).
  TPDFDictionary* names = Pool->NewDictionary();
  std::string content;
  const int64_t perStrip = std::max<int64_t>(1, page.RowsPerStrip);
  int64_t rowsLeft = height, lower = height;
  for (std::string_view strip : page.Strips) {
    if (rowsLeft <= 0) break;
    int64_t rows = std::min(rowsLeft, perStrip), w = 0, h = 0;
    rowsLeft -= rows;
    lower -= rows;
    TPDFStream* image = NewJPEGImage(CompleteJPEGStrip(strip, page.JPEGTables), w, h, rgb, ICCBasedSpace(profile));
    if (!image) return false;
    std::string name = NewImageResourceName();
    names->SetValue(name, ReferenceTo(image));
    content += "q " + std::to_string(width) + " 0 0 " + std::to_string(rows) + " 0 " + std::to_string(lower) +
               " cm /" + name + " Do Q ";
  }
  // The pixel-to-unit mapping needs more digits than the pool's numbers carry.
  content = "q " + FormatPdfNumber(1.0 / static_cast<double>(width), kUnitDigits) + " 0 0 " +
            FormatPdfNumber(1.0 / static_cast<double>(height), kUnitDigits) + " 0 0 cm " + content + "Q";
  TPDFDictionary* form = Pool->NewDictionary();
  form->SetValue("Type", Pool->NewName("XObject"));
  form->SetValue("Subtype", Pool->NewName("Form"));
  form->SetValue("BBox", Pool->NewIntegerArray({0, 0, 1, 1}));
  TPDFDictionary* resources = Pool->NewDictionary();
  resources->SetValue("XObject", names);
  form->SetValue("Resources", resources);
  TPDFStream* stream = NewIndirectStream(form, content);
  if (!stream) return false;
  Adopt(stream, width, height);
  return true;
}

}  // namespace ostrel
