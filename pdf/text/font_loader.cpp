// LoadFont: turns one font dictionary into a font record.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <string>

#include "pdf/core/pdf_objects.h"
#include "pdf/text/cmaps/predefined_cmaps.h"
#include "pdf/text/encodings.h"
#include "pdf/text/font_collection.h"
#include "pdf/text/glyph_list.h"
#include "pdf/text/latin_charset.h"
#include "pdf/text/standard_fonts.h"
#include "platform/text_codec.h"

namespace ostrel {
namespace {

constexpr double kDefaultWidth = 750;
constexpr int kSymbolicFlag = 4;
// Widths past this are damage; they are kept finite and bounded so that
// later arithmetic on them stays defined.
constexpr double kMaxWidth = 1e6;

double SanitizeWidth(double w) { return std::isfinite(w) ? std::clamp(w, -kMaxWidth, kMaxWidth) : 0; }

std::string NameOf(const TPDFObject* obj) {
  auto* name = PdfCast<TPDFName>(obj);
  return name ? name->Value : std::string();
}

const TPDFNumeric* NumberOf(const TPDFObject* obj) { return PdfCast<TPDFNumeric>(obj); }

// The one-byte character and Unicode value of a glyph name.
struct TNameChar {
  unsigned char Byte = 0;
  char16_t Unicode = 0;
};

TNameChar ResolveGlyphName(const std::string& name) {
  TNameChar c;
  c.Unicode = GlyphNameToUnicode(name);
  c.Byte = c.Unicode ? WinAnsiByteOf(c.Unicode) : 0;
  if (c.Byte == 0 && name.starts_with("CID:")) {
    // Symbolic fonts name each glyph by its code: the code is the best guess
    // at the character.
    unsigned value = 0;
    const char* begin = name.data() + 4;
    auto [end, ec] = std::from_chars(begin, name.data() + name.size(), value);
    if (ec == std::errc() && end != begin && value <= 0xFFFF) {
      c.Unicode = static_cast<char16_t>(value);
      c.Byte = UnicodeToCp1252(c.Unicode);
    }
  }
  return c;
}

void ApplyDifferences(const TPDFFontCollection& cache, const TPDFArray* diffs, TGlyphNames& names) {
  if (!diffs) return;
  int64_t code = 0;
  for (size_t i = 0; i < diffs->Count(); ++i) {
    TPDFObject* item = cache.Resolve(diffs->Item(i));
    if (auto* n = NumberOf(item)) {
      code = n->AsInteger();
    } else if (auto* name = PdfCast<TPDFName>(item)) {
      if (code >= 0 && code <= 255) names[code] = name->Value;
      ++code;
    }
  }
}

class TFontLoader {
 public:
  TFontLoader(TPDFFontCollection& cache, TPDFDictionary* font) : cache_(cache), font_(font) {}

  // Builds the record; for a Type0 font completes the descendant's record.
  bool Load();

 private:
  TPDFObject* Get(const TPDFDictionary* d, std::string_view key) const {
    return d ? cache_.Resolve(d->GetValue(key)) : nullptr;
  }
  void ReadEncoding();
  void ReadDescriptor();
  bool LoadProgram(TFontProgramKind kind, std::string_view fileKey, TFontProgramResult& result);
  void ReadSubtype();
  void ReadSubstitute();
  void ReadStandardWidths();
  void ReadCharacterCollection();
  void ReadSimpleWidths();
  void ReadCIDWidths();
  void ReadVerticalMetrics();
  void ResolveUnicode(TPDFFontCollectionData& rec);

  TPDFFontCollection& cache_;
  TPDFDictionary* font_;
  TPDFDictionary* descriptor_ = nullptr;
  std::unique_ptr<TPDFFontCollectionData> rec_ = std::make_unique<TPDFFontCollectionData>();
  int baseEncoding_ = kStandardEncoding;
  std::string encodingName_;
  const TPDFArray* differences_ = nullptr;
  bool embeddedCMapOneByte_ = false;
  int embeddedCMapWritingMode_ = 0;
  bool symbolic_ = false;  // symbolic TrueType: Differences put aside
};

void TFontLoader::ReadEncoding() {
  TPDFObject* enc = Get(font_, "Encoding");
  auto useName = [&](const std::string& name) {
    encodingName_ = name;
    int number = EncodingNumberOf(name);
    if (number >= 0) baseEncoding_ = number;
  };
  if (auto* name = PdfCast<TPDFName>(enc)) {
    useName(name->Value);
  } else if (auto* dict = PdfCast<TPDFDictionary>(enc)) {
    if (auto* base = PdfCast<TPDFName>(Get(dict, "BaseEncoding"))) useName(base->Value);
    differences_ = PdfCast<TPDFArray>(Get(dict, "Differences"));
  } else if (PdfCast<TPDFStream>(enc)) {
    // An embedded CMap: only its code space matters here, to learn whether
    // codes are one byte long.
    bool oneByte = false;
    ParseToUnicode(cache_.ReadStream(font_->GetValue("Encoding")), oneByte);
    embeddedCMapOneByte_ = oneByte;
    auto* wmode = NumberOf(Get(PdfCast<TPDFStream>(enc)->StreamDict, "WMode"));
    embeddedCMapWritingMode_ = wmode && wmode->AsInteger() == 1 ? 1 : 0;
  }
}

void TFontLoader::ReadDescriptor() {
  if (!descriptor_) return;
  // Metrics given in units of the em rather than thousandths are scaled up.
  if (auto* a = NumberOf(Get(descriptor_, "Ascent"))) {
    int32_t r = RoundMetric(a->Value);
    rec_->Ascent = r > 1 ? r : RoundMetric(a->Value * 1000);
  }
  if (auto* d = NumberOf(Get(descriptor_, "Descent"))) {
    int32_t r = RoundMetric(d->Value);
    rec_->Descent = std::abs(int64_t(r)) > 1 ? r : RoundMetric(d->Value * 1000);
  }
  if (auto* f = NumberOf(Get(descriptor_, "Flags"))) rec_->Flags = f->AsInteger();
}

bool TFontLoader::LoadProgram(TFontProgramKind kind, std::string_view fileKey, TFontProgramResult& result) {
  if (!cache_.LoadFontPrograms || !cache_.OnLoadFontProgram) return false;
  TFontProgramRequest request{kind, font_, descriptor_, {}, rec_.get()};
  if (!fileKey.empty()) {
    if (!descriptor_ || !PdfCast<TPDFStream>(Get(descriptor_, fileKey))) return false;
    request.Program = cache_.ReadStream(descriptor_->GetValue(fileKey));
  }
  if (!cache_.OnLoadFontProgram(request, result)) return false;
  rec_->Rasterizer = result.Rasterizer;
  return true;
}

void TFontLoader::ReadSubtype() {
  const std::string& subtype = rec_->Subtype;
  TFontProgramResult program;
  if (subtype == "Type1" || subtype == "MMType1" || subtype == "CIDFontType0") {
    if (descriptor_) {
      ReadDescriptor();
      bool symbolic = rec_->Flags & kSymbolicFlag;
      if (LoadProgram(TFontProgramKind::Type1, "FontFile", program)) {
        if (program.HasBuiltInEncoding && (encodingName_.empty() || symbolic))
          rec_->GlyphNames = program.BuiltInEncoding;
      } else if (LoadProgram(TFontProgramKind::CompactFont, "FontFile3", program)) {
        if (program.HasBuiltInEncoding && encodingName_.empty()) rec_->GlyphNames = program.BuiltInEncoding;
      }
      return;
    }
    rec_->StandardFont = MatchStandardFont(rec_->BaseFontName);
    if (const TStandardFontInfo* info = StandardFontInfo(rec_->StandardFont)) {
      rec_->Ascent = info->Ascent;
      rec_->Descent = info->Descent;
    }
    if (rec_->StandardFont == kStandardSymbolFont) {
      baseEncoding_ = kSymbolEncoding;
      rec_->GlyphNames = SymbolUnicodeNames();
    }
  } else if (subtype == "TrueType" || subtype == "CIDFontType2") {
    ReadDescriptor();
    if (LoadProgram(TFontProgramKind::TrueType, "FontFile2", program) && program.IsTrueType &&
        (rec_->Flags & kSymbolicFlag)) {
      symbolic_ = true;
      for (int code = 0; code < 256; ++code) rec_->GlyphNames[code] = "CID:" + std::to_string(code);
    }
  } else if (subtype == "Type3") {
    LoadProgram(TFontProgramKind::Type3, {}, program);
  }
}

void TFontLoader::ReadSubstitute() {
  if (!cache_.LoadFontPrograms || rec_->Rasterizer) return;
  TFontProgramResult program;
  if (!LoadProgram(TFontProgramKind::Substitute, {}, program) || !program.AdvanceOf) return;
  for (int code = 0; code < 256; ++code) {
    double advance = program.AdvanceOf(rec_->GlyphNames[code]);
    if (advance >= 0) rec_->Widths[code] = SanitizeWidth(advance);
  }
}

void TFontLoader::ReadStandardWidths() {
  int number = rec_->StandardFont;
  if (number < 1 || number > kStandardSymbolFont) return;
  for (int code = 0; code < 256; ++code) rec_->Widths[code] = StandardGlyphWidth(number, rec_->GlyphNames[code]);
}

void TFontLoader::ReadCharacterCollection() {
  auto* info = PdfCast<TPDFDictionary>(Get(font_, "CIDSystemInfo"));
  if (!info) return;
  auto text = [&](std::string_view key) {
    auto* s = PdfCast<TPDFString>(Get(info, key));
    return s ? s->Value : std::string();
  };
  std::string supplement;
  if (auto* n = NumberOf(Get(info, "Supplement"))) supplement = std::to_string(n->AsInteger());
  rec_->CharacterCollection = text("Registry") + "-" + text("Ordering") + "-" + supplement;
}

void TFontLoader::ReadSimpleWidths() {
  auto* first = NumberOf(Get(font_, "FirstChar"));
  auto* last = NumberOf(Get(font_, "LastChar"));
  if (!first || !last) return;
  rec_->FirstChar = first->AsInteger();
  rec_->LastChar = std::min<int32_t>(last->AsInteger(), 255);
  auto* widths = PdfCast<TPDFArray>(Get(font_, "Widths"));
  if (!widths) return;
  // Walk the array, not the code range: a short array ends the widths
  // instead of being read past its end.
  int64_t span = int64_t(rec_->LastChar) - rec_->FirstChar + 1;
  for (int64_t i = 0; i < span && i < int64_t(widths->Count()); ++i) {
    int64_t code = rec_->FirstChar + i;
    if (code < 0 || code > 255) continue;
    auto* w = NumberOf(cache_.Resolve(widths->Item(i)));
    rec_->Widths[code] = w ? SanitizeWidth(w->Value) : 0;
  }
}

void TFontLoader::ReadCIDWidths() {
  TPDFCIDWidths& out = rec_->CIDWidths;
  auto* dw = NumberOf(Get(font_, "DW"));
  out.Default = dw ? RoundMetric(dw->Value) : 1000;
  if (rec_->Subtype == "CIDFontType0" && rec_->BaseFontName.starts_with("HeiseiKakuGo-W5")) {
    AddHeiseiKakuGoW5Widths(out);
    rec_->CIDWidthsByCode = true;  // the list holds the widths of UCS-2 codes
    return;
  }
  auto* w = PdfCast<TPDFArray>(Get(font_, "W"));
  if (!w) return;
  auto cidOf = [](const TPDFNumeric* n) { return std::clamp<int64_t>(n->AsInteger(), 0, UINT32_MAX); };
  size_t pos = 0;
  while (pos < w->Count()) {
    auto* c = NumberOf(cache_.Resolve(w->Item(pos)));
    if (!c) break;
    TPDFObject* next = cache_.Resolve(w->Item(pos + 1));
    if (auto* last = NumberOf(next)) {
      auto* width = NumberOf(cache_.Resolve(w->Item(pos + 2)));
      if (!width) break;
      if (c->AsInteger() >= 0 && last->AsInteger() >= 0)
        out.AddRange(uint32_t(cidOf(c)), uint32_t(cidOf(last)), RoundMetric(width->Value));
      pos += 3;
    } else if (auto* list = PdfCast<TPDFArray>(next)) {
      int64_t cid = c->AsInteger();
      for (size_t i = 0; i < list->Count() && cid + int64_t(i) <= UINT32_MAX; ++i) {
        auto* width = NumberOf(cache_.Resolve(list->Item(i)));
        if (width && cid + int64_t(i) >= 0) out.AddRange(uint32_t(cid + i), uint32_t(cid + i), RoundMetric(width->Value));
      }
      pos += 2;
    } else {
      break;
    }
  }
}

// /DW2 [v_y w1y] and /W2, whose elements are either "c [w1y v_x v_y ...]"
// (one triple per CID from c on) or "first last w1y v_x v_y".
void TFontLoader::ReadVerticalMetrics() {
  TPDFCIDVerticalMetrics& out = rec_->VerticalMetrics;
  if (auto* dw2 = PdfCast<TPDFArray>(Get(font_, "DW2")); dw2 && dw2->Count() == 2) {
    auto* vy = NumberOf(cache_.Resolve(dw2->Item(0)));
    auto* w1y = NumberOf(cache_.Resolve(dw2->Item(1)));
    if (vy && w1y) {
      out.DefaultVy = SanitizeWidth(vy->Value);
      out.DefaultW1y = SanitizeWidth(w1y->Value);
    }
  }
  auto* w2 = PdfCast<TPDFArray>(Get(font_, "W2"));
  if (!w2) return;
  auto number = [&](const TPDFArray* a, size_t i, double& v) {
    auto* n = NumberOf(cache_.Resolve(a->Item(i)));
    if (n) v = SanitizeWidth(n->Value);
    return n != nullptr;
  };
  size_t pos = 0;
  double first, last, w1y, vx, vy;
  while (pos < w2->Count() && number(w2, pos, first) && first >= 0 && first <= UINT32_MAX) {
    if (auto* list = PdfCast<TPDFArray>(cache_.Resolve(w2->Item(pos + 1)))) {
      for (size_t i = 0; i + 2 < list->Count() && first + i / 3 <= UINT32_MAX; i += 3)
        if (number(list, i, w1y) && number(list, i + 1, vx) && number(list, i + 2, vy))
          out.AddRange(uint32_t(first + i / 3), uint32_t(first + i / 3), w1y, vx, vy);
      pos += 2;
    } else if (number(w2, pos + 1, last) && number(w2, pos + 2, w1y) && number(w2, pos + 3, vx) &&
               number(w2, pos + 4, vy)) {
      if (last >= first) out.AddRange(uint32_t(first), uint32_t(std::min<double>(last, UINT32_MAX)), w1y, vx, vy);
      pos += 5;
    } else {
      break;  // a malformed entry ends the array, as in /W
    }
  }
}

void TFontLoader::ResolveUnicode(TPDFFontCollectionData& rec) {
  // A symbolic TrueType font's text comes from the base encoding with the
  // Differences it put aside, not from its "CID:" names.
  TGlyphNames names = rec.GlyphNames;
  if (symbolic_) {
    names = GlyphNamesOf(baseEncoding_);
    ApplyDifferences(cache_, differences_, names);
  }
  // ZapfDingbats names its glyphs "a1" to "a191", which the glyph list does
  // not hold; without an /Encoding its codes are those of its own encoding.
  const bool dingbats = !rec.IsComposite && MatchStandardFont(rec.BaseFontName) == kStandardDingbatsFont;
  const bool dingbatsCodes = dingbats && encodingName_.empty() && !differences_;
  for (int code = 0; code < 256; ++code) {
    TNameChar c = ResolveGlyphName(symbolic_ ? names[code] : rec.GlyphNames[code]);
    if (symbolic_ && c.Unicode == 0) c = ResolveGlyphName(rec.GlyphNames[code]);
    if (dingbats) {
      char16_t u = DingbatsNameUnicode(rec.GlyphNames[code]);
      if (!u && dingbatsCodes) u = DingbatsCodeUnicode(code);
      if (u) c = {0, u};
    }
    rec.TextChars[code] = c.Byte ? std::string(1, static_cast<char>(c.Byte)) : std::string();
    rec.UnicodeText[code] = std::u16string(1, c.Unicode);
  }
  TPDFObject* toUnicode = font_->GetValue("ToUnicode");
  if (PdfCast<TPDFStream>(cache_.Resolve(toUnicode))) {
    bool oneByte = false;
    rec.UnicodeRanges = ParseToUnicode(cache_.ReadStream(toUnicode), oneByte);
    if (!(rec.IsComposite && rec.OneByteCodes)) rec.OneByteCodes = oneByte;
    for (const TPDFCMapEntry& e : rec.UnicodeRanges) {
      for (uint32_t code = e.FirstCode; code <= e.LastCode && code < 256; ++code) {
        std::u16string text;
        for (int32_t unit : e.Destination) text.push_back(static_cast<char16_t>(unit + (code - e.FirstCode)));
        rec.TextChars[code] = Utf16ToCp1252(text);
        rec.UnicodeText[code] = std::move(text);
      }
    }
  }
  bool allEmpty = std::all_of(rec.TextChars.begin(), rec.TextChars.end(), [](auto& s) { return s.empty(); });
  if (allEmpty) {
    for (int code = 0; code < 256; ++code) {
      rec.TextChars[code] = std::string(1, static_cast<char>(code));
      rec.UnicodeText[code] = std::u16string(1, static_cast<char16_t>(code));
    }
  }
  rec.NameChars = rec.TextChars;
}

bool TFontLoader::Load() {
  rec_->Subtype = NameOf(Get(font_, "Subtype"));
  if (rec_->Subtype == "Type0") {
    auto* descendants = PdfCast<TPDFArray>(Get(font_, "DescendantFonts"));
    if (!descendants || descendants->Count() != 1) return false;
    // Only CID fonts may sit below a Type0 font; anything else (another
    // Type0, or the font itself) would recurse without end.
    auto* cidFont = PdfCast<TPDFDictionary>(cache_.Resolve(descendants->Item(0)));
    std::string sub = NameOf(cidFont ? Get(cidFont, "Subtype") : nullptr);
    if (sub != "CIDFontType0" && sub != "CIDFontType2") return false;
    ReadEncoding();
    if (!TFontLoader(cache_, cidFont).Load()) return false;
    TPDFFontCollectionData& rec = *cache_.Record(cache_.Count() - 1);
    rec.IsComposite = true;
    rec.EncodingCMapName = encodingName_;
    rec.OneByteCodes = embeddedCMapOneByte_;
    rec.WritingMode = encodingName_.empty() ? embeddedCMapWritingMode_ : PredefinedWritingMode(encodingName_);
    ResolveUnicode(rec);
    return true;
  }

  descriptor_ = PdfCast<TPDFDictionary>(Get(font_, "FontDescriptor"));
  auto* missing = NumberOf(Get(descriptor_, "MissingWidth"));
  rec_->Widths.fill(missing ? SanitizeWidth(missing->Value) : kDefaultWidth);
  if (auto* base = PdfCast<TPDFName>(Get(font_, "BaseFont"))) rec_->BaseFontName = base->Value;
  ReadEncoding();
  rec_->GlyphNames = GlyphNamesOf(baseEncoding_);
  ReadSubtype();
  ReadSubstitute();
  if (!symbolic_ || cache_.KeepSymbolicDifferences) ApplyDifferences(cache_, differences_, rec_->GlyphNames);
  ReadStandardWidths();
  if (rec_->Subtype == "CIDFontType0" || rec_->Subtype == "CIDFontType2") {
    ReadCharacterCollection();
    ReadCIDWidths();
    ReadVerticalMetrics();
    if (rec_->Subtype == "CIDFontType2") {
      TPDFObject* map = font_->GetValue("CIDToGIDMap");
      if (PdfCast<TPDFStream>(cache_.Resolve(map))) rec_->CIDToGIDMapData = cache_.ReadStream(map);
    }
  } else {
    ReadSimpleWidths();
  }
  ResolveUnicode(*rec_);
  cache_.AppendRecord(std::move(rec_));
  return true;
}

}  // namespace

bool TPDFFontCollection::LoadFont(TPDFObject* fontObject) {
  auto* font = PdfCast<TPDFDictionary>(Resolve(fontObject));
  if (!font) {
    // Not a dictionary: a record of defaults keeps the text flowing.
    auto rec = std::make_unique<TPDFFontCollectionData>();
    rec->GlyphNames = GlyphNamesOf(kStandardEncoding);
    rec->Widths.fill(kDefaultWidth);
    for (int code = 0; code < 256; ++code) {
      TNameChar c = ResolveGlyphName(rec->GlyphNames[code]);
      rec->TextChars[code] = c.Byte ? std::string(1, static_cast<char>(c.Byte)) : std::string();
      rec->UnicodeText[code] = std::u16string(1, c.Unicode);
    }
    rec->NameChars = rec->TextChars;
    AppendRecord(std::move(rec));
    return true;
  }
  return TFontLoader(*this, font).Load();
}

}  // namespace ostrel
