#include "pdf/compose/pdf_image.h"

#include <algorithm>

#include "pdf/compose/gif_decoder.h"
#include "pdf/compose/icc_profile.h"
#include "pdf/compose/jpeg2000_header.h"
#include "pdf/compose/jpeg_markers.h"
#include "pdf/compose/tiff_reader.h"
#include "pdf/core/pdf_date.h"
#include "pdf/filters/flate_filter.h"
#include "pdf/filters/jpeg2000_bitmap.h"
#include "pdf/filters/png_predictor_encoder.h"
#include "platform/bitmap.h"
#include "platform/bmp_reader.h"

namespace ostrel {

namespace {

uint32_t LittleEndian32(std::string_view d, size_t at) {
  if (at + 4 > d.size()) return 0;
  return uint32_t{uint8_t(d[at])} | uint32_t{uint8_t(d[at + 1])} << 8 | uint32_t{uint8_t(d[at + 2])} << 16 |
         uint32_t{uint8_t(d[at + 3])} << 24;
}
uint32_t LittleEndian16(std::string_view d, size_t at) {
  return at + 2 <= d.size() ? uint32_t{uint8_t(d[at])} | uint32_t{uint8_t(d[at + 1])} << 8 : 0xFFFF;
}

enum class TFileFormat { Unknown, Metafile, BMP, JPEG, TIFF, PNG, GIF, JPEG2000 };

TFileFormat DetectFormat(std::string_view d) {
  if (LittleEndian32(d, 0) == 0x9AC6CDD7 && d.size() >= 22) {
    uint32_t sum = 0;
    for (size_t i = 0; i < 10; ++i) sum ^= LittleEndian16(d, 2 * i);
    if (sum == LittleEndian16(d, 20)) return TFileFormat::Metafile;
  }
  if (LittleEndian32(d, 0) == 1 && LittleEndian32(d, 40) == 0x464D4520) return TFileFormat::Metafile;
  if (d.substr(0, 2) == "BM" && LittleEndian16(d, 6) == 0 && LittleEndian16(d, 8) == 0) return TFileFormat::BMP;
  if (d.substr(0, 2) == "\xFF\xD8") return TFileFormat::JPEG;
  if (d.substr(0, 2) == "MM" || d.substr(0, 2) == "II") return TFileFormat::TIFF;
  if (d.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) return TFileFormat::PNG;
  if (d.substr(0, 6) == "GIF87a" || d.substr(0, 6) == "GIF89a") return TFileFormat::GIF;
  if (LooksLikeJPEG2000(d)) return TFileFormat::JPEG2000;
  return TFileFormat::Unknown;
}

bool IsGreyRamp(const std::vector<uint32_t>& palette) {
  if (palette.size() != 256) return false;
  for (uint32_t i = 0; i < 256; ++i)
    if (palette[i] != (i << 16 | i << 8 | i)) return false;
  return true;
}

// A 1-bit palette that PDF's DeviceGray can show: black and white, either way round.
bool IsBlackAndWhite(const std::vector<uint32_t>& palette) {
  return palette.size() == 2 && ((palette[0] == 0 && palette[1] == 0xFFFFFF) ||
                                 (palette[0] == 0xFFFFFF && palette[1] == 0));
}

// The alpha bytes of a 32-bit BMP, when they say something: writers that
// know no alpha leave them all 0, and all 255 is opaque anyway.
std::string BmpAlpha(const Bitmap& bitmap) {
  if (bitmap.PixelFormat() != TPixelFormat::pf32bit) return {};
  std::string alpha;
  alpha.reserve(size_t(bitmap.Width()) * bitmap.Height());
  bool anySet = false, anyClear = false;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* p = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 4) {
      alpha.push_back(char(p[3]));
      anySet = anySet || p[3] != 0;
      anyClear = anyClear || p[3] != 255;
    }
  }
  return anySet && anyClear ? alpha : std::string();
}

// Soft masks take colour as it is, not multiplied by its opacity.
uint8_t Unpremultiplied(uint8_t value, uint8_t alpha) {
  return alpha == 0 ? 0 : static_cast<uint8_t>(std::min(255, (value * 255 + alpha / 2) / alpha));
}

}  // namespace

std::string NewImageResourceName() { return "OstrelIm" + NewNameTag(); }

TPDFImage::TPDFImage(TPDFStructure* pool, std::string resourceName)
    : Pool(pool), ResourceName(std::move(resourceName)) {}

bool TPDFImage::LoadImage(std::string_view file, int options) {
  switch (DetectFormat(file)) {
    case TFileFormat::BMP: return LoadBMP(file);
    case TFileFormat::JPEG: return LoadJPEG(file);
    case TFileFormat::TIFF: return LoadTIFF(file, options);
    case TFileFormat::PNG: return LoadPNG(file, options);
    case TFileFormat::GIF: return LoadGIF(file);
    case TFileFormat::JPEG2000: return LoadJPEG2000(file);
    case TFileFormat::Metafile:  // metafile pictures are not converted here
    case TFileFormat::Unknown: return false;
  }
  return false;
}

TPDFStream* TPDFImage::NewIndirectStream(TPDFDictionary* dict, std::string data) {
  if (!Pool->OnMakeIndirect) return nullptr;
  TPDFStream* stream = Pool->NewStreamWith(dict, {});
  stream->SetRawData(std::move(data));
  Pool->OnMakeIndirect(stream);
  return stream;
}

TPDFIndRef* TPDFImage::ReferenceTo(TPDFObject* object) {
  return Pool->NewIndRef(object->ObjectNumber, object->Generation);
}

TPDFDictionary* TPDFImage::NewImageDict(int64_t width, int64_t height) {
  TPDFDictionary* dict = Pool->NewDictionary();
  dict->SetValue("Type", Pool->NewName("XObject"));
  dict->SetValue("Subtype", Pool->NewName("Image"));
  dict->SetValue("Width", Pool->NewNumeric(static_cast<double>(width)));
  dict->SetValue("Height", Pool->NewNumeric(static_cast<double>(height)));
  return dict;
}

void TPDFImage::Adopt(TPDFStream* stream, int64_t width, int64_t height) {
  Reference = ReferenceTo(stream);
  XObjectDict = stream->StreamDict;
  PixelWidth = static_cast<int32_t>(width);
  PixelHeight = static_cast<int32_t>(height);
}

TPDFStream* TPDFImage::ICCProfileStream(std::string_view profile, int components) {
  if (profile.empty() || !ICCProfileFits(profile, components)) return nullptr;
  TPDFDictionary* dict = Pool->NewDictionary();
  dict->SetValue("N", Pool->NewNumeric(components));
  dict->SetValue("Alternate", Pool->NewName(ICCAlternateSpace(components)));
  dict->SetValue("Filter", Pool->NewName("FlateDecode"));
  return NewIndirectStream(dict, FlateEncode(profile));
}

TPDFObject* TPDFImage::ICCBasedSpace(TPDFStream* profile) {
  return profile ? Pool->NewArrayOf({Pool->NewName("ICCBased"), ReferenceTo(profile)}) : nullptr;
}

TPDFStream* TPDFImage::NewJPEGImage(std::string data, int64_t& width, int64_t& height, bool rgbSamples,
                                    TPDFObject* space) {
  TJPEGFrame frame;
  if (!ScanJPEGFrame(data, frame)) return nullptr;
  width = frame.Width;
  height = frame.Height;
  TPDFDictionary* dict = NewImageDict(width, height);
  ColorSpaceName = frame.Components == 1 ? "DeviceGray" : frame.Components == 4 ? "DeviceCMYK" : "DeviceRGB";
  dict->SetValue("ColorSpace", space ? space : Pool->NewName(ColorSpaceName));
  // CMYK JPEGs are as a rule stored inverted (the Adobe convention).
  if (frame.Components == 4) dict->SetValue("Decode", Pool->NewIntegerArray({1, 0, 1, 0, 1, 0, 1, 0}));
  dict->SetValue("BitsPerComponent", Pool->NewNumeric(8));
  dict->SetValue("Filter", Pool->NewName("DCTDecode"));
  if (rgbSamples && frame.Components == 3) {
    // Without this a reader takes three components for YCbCr.
    TPDFDictionary* parms = Pool->NewDictionary();
    parms->SetValue("ColorTransform", Pool->NewNumeric(0));
    dict->SetValue("DecodeParms", parms);
  }
  return NewIndirectStream(dict, std::move(data));
}

bool TPDFImage::LoadJPEG(std::string_view file) {
  Kind = kJPEG;
  TJPEGFrame frame;
  if (!ScanJPEGFrame(file, frame)) return false;
  TJPEGMetadata meta = ScanJPEGMetadata(file);
  Orientation = meta.Orientation;
  TPDFObject* space = ICCSpace(meta.ICCProfile, frame.Components);
  int64_t width = 0, height = 0;
  TPDFStream* stream = NewJPEGImage(std::string(file), width, height, false, space);
  if (!stream) return false;
  Adopt(stream, width, height);
  return true;
}

bool TPDFImage::LoadJPEG2000(std::string_view file) {
  Kind = kJPEG2000;
  TJPEG2000Header header;
  if (!ReadJPEG2000Header(file, header)) return false;
  if (header.Alpha) return ImportJPEG2000Alpha(file, header);
  TPDFDictionary* dict = NewImageDict(header.Width, header.Height);
  // A JP2 file names its own colour space, which a reader takes when the
  // dictionary names none; a bare codestream has only its component count.
  if (!header.FileFormat) {
    if (header.Components != 1 && header.Components != 3 && header.Components != 4) return false;
    ColorSpaceName = ICCAlternateSpace(header.Components);
    dict->SetValue("ColorSpace", Pool->NewName(ColorSpaceName));
  }
  dict->SetValue("Filter", Pool->NewName("JPXDecode"));
  NeedsPDF15 = true;  // JPXDecode came with PDF 1.5
  TPDFStream* stream = NewIndirectStream(dict, std::string(file));
  if (!stream) return false;
  Adopt(stream, header.Width, header.Height);
  return true;
}

// Viewers disagree on JPEG 2000 opacity channels: some ignore /SMaskInData
// and garble the colours when it is set, others apply the channel whatever
// the dictionary says. Decoded into colour and a soft mask, the picture
// shows the same everywhere.
bool TPDFImage::ImportJPEG2000Alpha(std::string_view file, const TJPEG2000Header& header) {
  // Decoded pixels are always compressed, as GIF's are.
  struct TCompressing {
    bool& Flag;
    const bool Was = Flag;
    ~TCompressing() { Flag = Was; }
  } compressing{CompressPixels};
  CompressPixels = true;
  TJpeg2000Bitmap decoded;
  try {
    decoded.LoadFromStream(file);
  } catch (const EJpeg2000Error&) {
    return false;
  }
  bool ok = false;
  if (decoded.PixelFormat() == TPixelFormat::pf32bit) {
    ok = ImportColourAndOpacity(decoded, header);
  } else if (decoded.PixelFormat() == TPixelFormat::pf8bit && !decoded.Opacity.empty()) {  // grey and opacity
    if (header.Premultiplied)
      for (int y = 0; y < decoded.Height(); ++y)
        for (int x = 0; x < decoded.Width(); ++x) {
          uint8_t& grey = decoded.Row(y)[x];
          grey = Unpremultiplied(grey, uint8_t(decoded.Opacity[size_t(y) * decoded.Width() + x]));
        }
    ok = ImportBitmap(decoded, nullptr, true, decoded.Opacity);
  }
  Kind = kJPEG2000;
  return ok;
}

bool TPDFImage::ImportColourAndOpacity(const Bitmap& decoded, const TJPEG2000Header& header) {
  // The decoder puts the channel a JP2 file defines as opacity in byte 3
  // after B, G, R; a bare codestream's components come in reverse: A, B, G, R.
  const bool alphaLast = header.FileFormat;
  Bitmap colour;
  if (!colour.SetSize(decoded.Width(), decoded.Height(), TPixelFormat::pf24bit)) return false;
  std::string alpha;
  alpha.reserve(size_t(decoded.Width()) * decoded.Height());
  for (int y = 0; y < decoded.Height(); ++y) {
    const uint8_t* p = decoded.Row(y);
    uint8_t* q = colour.Row(y);
    for (int x = 0; x < decoded.Width(); ++x, p += 4, q += 3) {
      const uint8_t* bgr = alphaLast ? p : p + 1;
      const uint8_t a = alphaLast ? p[3] : p[0];
      for (int c = 0; c < 3; ++c) q[c] = header.Premultiplied ? Unpremultiplied(bgr[c], a) : bgr[c];
      alpha.push_back(char(a));
    }
  }
  return ImportBitmap(colour, nullptr, false, alpha);
}

bool TPDFImage::LoadBMP(std::string_view file) {
  Bitmap bitmap;
  if (!ReadBmp(file, bitmap)) return false;
  return ImportBitmap(bitmap, nullptr, false, BmpAlpha(bitmap));
}

bool TPDFImage::LoadGIF(std::string_view file) {
  TPDFGIFDecoder decoder;
  Bitmap screen;
  std::string alpha;
  if (!decoder.Read(file) || !decoder.RenderTo(screen, &alpha)) return false;
  // GIF pixels are always compressed: flat colour areas shrink a lot.
  bool compress = CompressPixels;
  CompressPixels = true;
  bool ok = ImportBitmap(screen, nullptr, false, alpha);
  CompressPixels = compress;
  return ok;
}

TPDFDictionary* TPDFImage::PNGPredictorParms(int colours, int bits, int64_t columns) {
  TPDFDictionary* parms = Pool->NewDictionary();
  parms->SetValue("Predictor", Pool->NewNumeric(15));
  if (colours > 0) parms->SetValue("Colors", Pool->NewNumeric(colours));
  parms->SetValue("BitsPerComponent", Pool->NewNumeric(bits));
  parms->SetValue("Columns", Pool->NewNumeric(static_cast<double>(columns)));
  return parms;
}

std::string TPDFImage::FlateSamples(TPDFDictionary* dict, std::string_view samples, int colours, int bits,
                                    int64_t columns) {
  TFlateSamples flate = FlateEncodeSamples(samples, {15, colours, bits, static_cast<int32_t>(columns)});
  dict->SetValue("Filter", Pool->NewName("FlateDecode"));
  if (flate.RowsFiltered) dict->SetValue("DecodeParms", PNGPredictorParms(colours, bits, columns));
  return std::move(flate.Data);
}

bool TPDFImage::AttachSoftMask(TPDFDictionary* dict, int64_t width, int64_t height, int bits,
                               std::string_view samples) {
  TPDFDictionary* maskDict = NewImageDict(width, height);
  maskDict->SetValue("ColorSpace", Pool->NewName("DeviceGray"));
  maskDict->SetValue("BitsPerComponent", Pool->NewNumeric(bits));
  std::string data = FlateSamples(maskDict, samples, 1, bits, width);
  if (data.empty()) return false;
  TPDFStream* mask = NewIndirectStream(maskDict, std::move(data));
  if (!mask) return false;
  dict->SetValue("SMask", ReferenceTo(mask));
  return true;
}

bool TPDFImage::ImportBitmap(const Bitmap& source, const TTIFFPage* page, bool keepGray, std::string_view alpha) {
  Kind = page ? kTIFF : kBitmap;
  PixelWidth = source.Width();
  PixelHeight = source.Height();
  if (source.Empty()) return false;
  const TPixelFormat format = source.PixelFormat();
  const bool cmykPage = page && page->Photometric == 5;
  const bool grey = format == TPixelFormat::pf8bit && (keepGray || IsGreyRamp(source.Palette()));
  const bool bilevel = format == TPixelFormat::pf1bit && (page || IsBlackAndWhite(source.Palette()));
  const bool keep = grey || bilevel || (format == TPixelFormat::pf32bit && cmykPage) ||
                    format == TPixelFormat::pf24bit;
  Bitmap converted;
  if (!keep) {
    converted = source.ConvertedTo24Bit();
    if (converted.Empty()) return false;
  }
  const Bitmap& bitmap = keep ? source : converted;
  const int width = bitmap.Width(), height = bitmap.Height();

  std::string samples;
  int bits = 8;
  std::string_view space = "DeviceRGB";
  TPDFArray* decode = nullptr;
  switch (bitmap.PixelFormat()) {
    case TPixelFormat::pf24bit:
      samples.reserve(size_t(width) * height * 3);
      for (int y = 0; y < height; ++y) {
        const uint8_t* p = bitmap.Row(y);
        for (int x = 0; x < width; ++x, p += 3) samples.append({char(p[2]), char(p[1]), char(p[0])});
      }
      break;
    case TPixelFormat::pf32bit:
      space = "DeviceCMYK";
      samples.reserve(size_t(width) * height * 4);
      for (int y = 0; y < height; ++y) {
        const uint8_t* p = bitmap.Row(y);
        for (int x = 0; x < width; ++x, p += 4) samples.append({char(p[3]), char(p[2]), char(p[1]), char(p[0])});
      }
      break;
    case TPixelFormat::pf1bit: {
      space = "DeviceGray";
      bits = 1;
      bool blackIsZero = page ? page->BlackIsZero : (bitmap.Palette()[0] >> 16) == 0;
      decode = blackIsZero ? Pool->NewIntegerArray({0, 1}) : Pool->NewIntegerArray({1, 0});
      for (int y = 0; y < height; ++y)
        samples.append(reinterpret_cast<const char*>(bitmap.Row(y)), (size_t(width) + 7) / 8);
      break;
    }
    default:  // 8-bit grey
      space = "DeviceGray";
      for (int y = 0; y < height; ++y) samples.append(reinterpret_cast<const char*>(bitmap.Row(y)), size_t(width));
      break;
  }

  TPDFDictionary* dict = NewImageDict(width, height);
  ColorSpaceName = space;
  dict->SetValue("ColorSpace", Pool->NewName(space));
  dict->SetValue("BitsPerComponent", Pool->NewNumeric(bits));
  if (CompressPixels && !alpha.empty() && bits == 8) {
    // Pictures with alpha: behind row filters when that packs smaller.
    const int colours = space == "DeviceRGB" ? 3 : space == "DeviceCMYK" ? 4 : 1;
    samples = FlateSamples(dict, samples, colours, bits, width);
  } else if (CompressPixels) {
    samples = FlateEncode(samples);
    dict->SetValue("Filter", Pool->NewName("FlateDecode"));
  }
  if (decode) dict->SetValue("Decode", decode);
  if (!alpha.empty()) {
    if (alpha.size() != size_t(width) * height) return false;
    if (!AttachSoftMask(dict, width, height, 8, alpha)) return false;
  }
  TPDFStream* stream = NewIndirectStream(dict, std::move(samples));
  if (!stream) return false;
  Adopt(stream, width, height);
  return true;
}

}  // namespace ostrel
