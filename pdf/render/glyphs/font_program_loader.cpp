// Choosing a glyph rasterizer for each font the font collection loads.
#include "pdf/render/glyphs/font_program_loader.h"

#include <cmath>
#include <mutex>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/glyphs/simple_truetype_rasterizer.h"
#include "pdf/render/glyphs/system_fonts.h"
#include "pdf/render/glyphs/truetype_rasterizer.h"
#include "pdf/render/glyphs/type1_rasterizer.h"
#include "pdf/render/glyphs/type3_rasterizer.h"
#include "pdf/text/standard_fonts.h"

namespace ostrel {
namespace {

constexpr int32_t kSymbolicFlag = 4;

// Where the Dingbats font is read from when the build could not link it in.
constexpr const char* kDingbatsFontPath = "/usr/share/fonts/opentype/urw-base35/D050000L.otf";

int64_t LengthOf(TPDFFontCollection& fonts, const TPDFDictionary* dict, std::string_view key) {
  auto* n = dict ? PdfCast<TPDFNumeric>(fonts.Resolve(dict->GetValue(key))) : nullptr;
  return n ? int64_t(n->Value) : 0;
}

double NumberOf(TPDFFontCollection& fonts, const TPDFDictionary* dict, std::string_view key) {
  auto* n = dict ? PdfCast<TPDFNumeric>(fonts.Resolve(dict->GetValue(key))) : nullptr;
  return n && std::isfinite(n->Value) ? double(n->Value) : 0;
}

TFontStyleHints StyleHints(TPDFFontCollection& fonts, const TFontProgramRequest& request) {
  TFontStyleHints hints;
  hints.Flags = request.Record ? request.Record->Flags : 0;
  hints.FontWeight = NumberOf(fonts, request.Descriptor, "FontWeight");
  hints.StemV = NumberOf(fonts, request.Descriptor, "StemV");
  hints.ItalicAngle = NumberOf(fonts, request.Descriptor, "ItalicAngle");
  return hints;
}

std::shared_ptr<TPDFGlyphRasterizer> Type1Program(TPDFFontCollection& fonts, const TFontProgramRequest& request,
                                                 TFontProgramResult& result) {
  auto* file = PdfCast<TPDFStream>(fonts.Resolve(request.Descriptor->GetValue("FontFile")));
  const TPDFDictionary* dict = file ? file->StreamDict : nullptr;
  auto raster = std::make_shared<TPDFType1Rasterizer>();
  if (!raster->Decoder.LoadType1(request.Program, LengthOf(fonts, dict, "Length1"), LengthOf(fonts, dict, "Length2"),
                                 LengthOf(fonts, dict, "Length3")))
    return nullptr;
  result.HasBuiltInEncoding = raster->Decoder.HasBuiltInEncoding();
  result.BuiltInEncoding = raster->Decoder.BuiltInEncoding();
  return raster;
}

std::shared_ptr<TPDFType1Rasterizer> CompactProgram(std::string_view data, TFontProgramResult& result) {
  auto raster = std::make_shared<TPDFType1Rasterizer>();
  if (!raster->Decoder.LoadCompactProgram(data)) return nullptr;
  result.HasBuiltInEncoding = raster->Decoder.HasBuiltInEncoding();
  result.BuiltInEncoding = raster->Decoder.BuiltInEncoding();
  return raster;
}

std::shared_ptr<TPDFGlyphRasterizer> TrueTypeProgram(const TFontProgramRequest& request, TFontProgramResult& result) {
  auto raster = std::make_shared<TPDFTrueTypeRasterizer2>();
  if (!raster->Load(request.Program)) {
    // Some producers put a bare CFF program under /FontFile2.
    return CompactProgram(request.Program, result);
  }
  if (raster->IsCFFFont) return CompactProgram(request.Program, result);
  result.IsTrueType = true;
  raster->Symbolic = request.Record && (request.Record->Flags & kSymbolicFlag);
  return raster;
}

std::shared_ptr<TPDFGlyphRasterizer> DingbatsRasterizer(TFontProgramResult& result) {
  auto data = BuiltInDingbatsFont();
  if (!data || data->empty()) return nullptr;
  auto raster = std::make_shared<TPDFType1Rasterizer>();
  if (!raster->Decoder.LoadCompactProgram(*data)) return nullptr;
  raster->Cmaps = std::make_unique<TPDFTrueTypeParser>();
  raster->Cmaps->LoadFromBytes(*data);
  result.AdvanceOf = [raster](std::string_view name) { return raster->AdvanceOfName(name); };
  return raster;
}

// A CID font without its program: its CIDs mean nothing to an installed
// font, so its glyphs are drawn by the characters the codes stand for, from
// a CJK font or, for Latin text in the Identity collection, from the font
// that substitutes its name.
std::shared_ptr<TPDFGlyphRasterizer> CIDSubstituteRasterizer(TPDFFontCollection& fonts, TSystemFonts& system,
                                                            const TFontProgramRequest& request) {
  auto* info = request.Font ? PdfCast<TPDFDictionary>(fonts.Resolve(request.Font->GetValue("CIDSystemInfo"))) : nullptr;
  auto* ordering = info ? PdfCast<TPDFString>(fonts.Resolve(info->GetValue("Ordering"))) : nullptr;
  const TPDFFontCollectionData* rec = request.Record;
  std::string baseFont = rec ? rec->BaseFontName : "";
  std::string collection = ordering ? ordering->Value : "";
  int32_t flags = rec ? rec->Flags : 0;
  TSystemFontFile file = IsCJKFont(baseFont, collection) ? system.FindCJKFile(baseFont, flags, collection)
                                                         : system.FindFile(system.Choose(baseFont, StyleHints(fonts, request)));
  std::string data = TSystemFonts::ReadFontData(file);
  if (data.empty()) return nullptr;
  auto raster = std::make_shared<TPDFSimpleTrueTypeRasterizer>();
  raster->Parser.FaceIndex = uint32_t(file.FaceIndex);
  if (!raster->Load(data) || raster->IsCFFFont) return nullptr;
  return raster;
}

bool IsCIDFont(const TFontProgramRequest& request) {
  return request.Record && (request.Record->Subtype == "CIDFontType0" || request.Record->Subtype == "CIDFontType2");
}

std::shared_ptr<TPDFGlyphRasterizer> SubstituteRasterizer(TPDFFontCollection& fonts, TSystemFonts& system,
                                                         const TFontProgramRequest& request,
                                                         TFontProgramResult& result) {
  const TPDFFontCollectionData* rec = request.Record;
  std::string baseFont = rec ? rec->BaseFontName : "Arial";
  if (MatchStandardFont(baseFont) == kStandardDingbatsFont) {
    if (auto raster = DingbatsRasterizer(result)) return raster;
  }
  TSystemFontFile file = system.FindFile(system.Choose(baseFont, StyleHints(fonts, request)));
  std::string data = TSystemFonts::ReadFontData(file);
  if (data.empty()) return nullptr;
  auto raster = std::make_shared<TPDFTrueTypeRasterizer2>();
  raster->Parser.FaceIndex = uint32_t(file.FaceIndex);
  if (!raster->Load(data)) return nullptr;
  if (raster->IsCFFFont) {
    auto cff = CompactProgram(data, result);
    if (!cff) return nullptr;
    cff->Cmaps = std::make_unique<TPDFTrueTypeParser>(std::move(raster->Parser));
    result.HasBuiltInEncoding = false;  // a substitute never renames the codes
    result.AdvanceOf = [cff](std::string_view name) { return cff->AdvanceOfName(name); };
    return cff;
  }
  result.AdvanceOf = [raster](std::string_view name) { return raster->AdvanceOfName(name); };
  return raster;
}

}  // namespace

std::shared_ptr<const std::string> BuiltInDingbatsFont() {
  static std::once_flag once;
  static std::shared_ptr<const std::string> font;
  std::call_once(once, [] {
#ifdef OSTREL_DINGBATS_INC
    static constexpr unsigned char kLinkedFont[] = {
#include OSTREL_DINGBATS_INC
    };
    font = std::make_shared<const std::string>(reinterpret_cast<const char*>(kLinkedFont), sizeof kLinkedFont);
#else
    font = std::make_shared<const std::string>(TSystemFonts::ReadFontData({kDingbatsFontPath, 0}));
#endif
  });
  return font;
}

TFontProgramLoader MakeFontProgramLoader(TPDFFontCollection& fonts, std::shared_ptr<TSystemFonts> systemFonts) {
  if (!systemFonts) systemFonts = std::make_shared<TSystemFonts>();
  return [&fonts, systemFonts](const TFontProgramRequest& request, TFontProgramResult& result) -> bool {
    std::shared_ptr<TPDFGlyphRasterizer> raster;
    switch (request.Kind) {
      case TFontProgramKind::Type1:
        if (request.Descriptor) raster = Type1Program(fonts, request, result);
        break;
      case TFontProgramKind::CompactFont:
        raster = CompactProgram(request.Program, result);
        break;
      case TFontProgramKind::TrueType:
        raster = TrueTypeProgram(request, result);
        break;
      case TFontProgramKind::Type3: {
        auto type3 = std::make_shared<TPDFType3Rasterizer>();
        type3->Load(const_cast<TPDFDictionary*>(request.Font), [&](TPDFObject* o) { return fonts.Resolve(o); },
                    [&](TPDFObject* o) { return fonts.ReadStream(o); });
        raster = type3;
        break;
      }
      case TFontProgramKind::Substitute:
        raster = IsCIDFont(request) ? CIDSubstituteRasterizer(fonts, *systemFonts, request)
                                    : SubstituteRasterizer(fonts, *systemFonts, request, result);
        break;
    }
    result.Rasterizer = raster;
    return raster != nullptr;
  };
}

}  // namespace ostrel
