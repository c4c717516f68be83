#include "pdf/text/pdf_font.h"

#include <algorithm>
#include <array>
#include <memory>

#include "pdf/core/pdf_date.h"
#include "pdf/core/pdf_document.h"
#include "pdf/text/encodings.h"
#include "pdf/text/glyph_list.h"
#include "pdf/text/latin_charset.h"
#include "pdf/text/standard_fonts.h"

namespace ostrel {
namespace {

constexpr std::string_view kStandardFontNames[] = {
    "Courier",   "Courier-Bold",   "Courier-BoldOblique", "Courier-Oblique",  "Helvetica",
    "Helvetica-Bold", "Helvetica-BoldOblique", "Helvetica-Oblique", "Times-Roman", "Times-Bold",
    "Times-Italic", "Times-BoldItalic", "Symbol", "ZapfDingbats"};

// The published ZapfDingbats advance widths of codes 32 to 254; 0 where the
// font has no glyph (127, 142 to 160 and 240).
constexpr int16_t kDingbatsWidths[223] = {
    278, 974, 961, 974, 980, 719, 789, 790, 791, 690, 960, 939, 549, 855, 911, 933,  // 32
    911, 945, 974, 755, 846, 762, 761, 571, 677, 763, 760, 759, 754, 494, 552, 537,  // 48
    577, 692, 786, 788, 788, 790, 793, 794, 816, 823, 789, 841, 823, 833, 816, 831,  // 64
    923, 744, 723, 749, 790, 792, 695, 776, 768, 792, 759, 707, 708, 682, 701, 826,  // 80
    815, 789, 789, 707, 687, 696, 689, 786, 787, 713, 791, 785, 791, 873, 761, 762,  // 96
    762, 759, 759, 892, 892, 788, 784, 438, 138, 277, 415, 392, 392, 668, 668, 0,    // 112
    390, 390, 317, 317, 276, 276, 509, 509, 410, 410, 234, 234, 334, 334, 0,   0,    // 128
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    // 144
    0,   732, 544, 544, 910, 667, 760, 760, 776, 595, 694, 626, 788, 788, 788, 788,  // 160
    788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788,  // 176
    788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788, 788,  // 192
    788, 788, 788, 788, 894, 838, 1016, 458, 748, 924, 748, 918, 927, 928, 928, 834,  // 208
    873, 828, 924, 924, 917, 930, 931, 463, 883, 836, 836, 867, 867, 696, 696, 874,  // 224
    0,   874, 760, 946, 771, 865, 771, 888, 967, 888, 831, 873, 927, 970, 918,       // 240
};

// Each name is tried this many times before two fonts of a document would
// share one; the tags are random, so a second try practically never happens.
constexpr int kNameAttempts = 16;

std::string OneByte(int code) { return std::string(1, static_cast<char>(code)); }

// The Unicode value each code 0..255 stands for under a Latin encoding.
std::array<char16_t, 256> LatinUnicodeTable(int encoding) {
  std::array<char16_t, 256> table{};
  for (const TLatinChar& c : LatinCharset()) {
    int code = c.Codes[encoding];
    if (code >= 0 && code < 256) table[static_cast<size_t>(code)] = c.Unicode;
  }
  return table;
}

}  // namespace

// ---- TOstrelWidthLookup ----

void TOstrelWidthLookup::AddWidth(char16_t character, int32_t width) {
  codes_.push_back(character);
  widths_.push_back(width);
  sorted_ = false;
}

void TOstrelWidthLookup::Sort() {
  // Shell sort with halving gaps: stable enough for a list built once and
  // keeps the two parallel arrays in step without an index array.
  size_t count = codes_.size();
  if (count > 2) {
    for (size_t gap = (count - 1) / 2; gap > 0; gap /= 2) {
      for (size_t i = gap; i < count; ++i) {
        uint16_t code = codes_[i];
        int32_t width = widths_[i];
        size_t j = i;
        for (; j >= gap && codes_[j - gap] > code; j -= gap) {
          codes_[j] = codes_[j - gap];
          widths_[j] = widths_[j - gap];
        }
        codes_[j] = code;
        widths_[j] = width;
      }
    }
  }
  sorted_ = true;
}

int32_t TOstrelWidthLookup::FindWidth(char16_t character) {
  if (!sorted_) Sort();
  auto it = std::lower_bound(codes_.begin(), codes_.end(), static_cast<uint16_t>(character));
  if (it == codes_.end() || *it != character) return 0;
  return widths_[static_cast<size_t>(it - codes_.begin())];
}

// ---- TPDFFont ----

TPDFFont::TPDFFont(TPDFStructure& pool, std::string resourceName)
    : Pool(&pool), ResourceName(std::move(resourceName)) {}

void TPDFFont::SetupStandardFont(std::string_view name, int number) {
  BaseFont.assign(name);
  Dictionary = Pool->NewDictionary();
  Dictionary->SetValue("Type", Pool->NewName("Font"));
  Dictionary->SetValue("Subtype", Pool->NewName("Type1"));
  Dictionary->SetValue("BaseFont", Pool->NewName(name));
  CharacterMap.Clear();

  if (name == "Symbol") {
    FirstCode = 32;
    LastCode = 254;
    Widths.assign(static_cast<size_t>(LastCode - FirstCode + 1), 0);
    for (const TSymbolGlyph& g : SymbolGlyphs()) {
      if (g.Code >= FirstCode && g.Code <= LastCode) Widths[static_cast<size_t>(g.Code - FirstCode)] = g.Width;
      CharacterMap.AddMapping(kCharacterKind, g.Unicode, OneByte(g.Code));
    }
  } else if (name == "ZapfDingbats") {
    FirstCode = 32;
    LastCode = 254;
    Widths.assign(std::begin(kDingbatsWidths), std::end(kDingbatsWidths));
    for (int code = FirstCode; code <= LastCode; ++code) {
      CharacterMap.AddMapping(kCharacterKind, static_cast<uint32_t>(code), OneByte(code));
    }
  } else {
    Dictionary->SetValue("Encoding", Pool->NewName("WinAnsiEncoding"));
    FirstCode = 24;
    LastCode = 255;
    Widths.assign(static_cast<size_t>(LastCode - FirstCode + 1), 0);
    if (number >= 1 && number <= 12) {
      for (const TLatinChar& c : LatinCharset()) {
        int code = c.Codes[kWinAnsiEncoding];
        if (code >= FirstCode && code <= LastCode) {
          Widths[static_cast<size_t>(code - FirstCode)] = c.Widths[number - 1];
        }
      }
      // The no-break space has no character of its own in the set; readers
      // draw it with the space's advance.
      Widths[160 - FirstCode] = Widths[32 - FirstCode];
    }
    BuildEncodingMap("WinAnsiEncoding", nullptr);
  }

  if (const TStandardFontInfo* info = StandardFontInfo(number)) {
    Ascent = info->Ascent;
    Descent = info->Descent;
    std::copy(std::begin(info->Box), std::end(info->Box), FontBox);
  }

  if (Pool->OnMakeIndirect) {
    auto [objectNumber, generation] = Pool->OnMakeIndirect(Dictionary);
    Reference = Pool->NewIndRef(objectNumber, generation);
  }
  Kind = kStandardKind;
}

void TPDFFont::BuildEncodingMap(std::string_view encodingName, const TPDFArray* differences) {
  std::array<char16_t, 256> table =
      LatinUnicodeTable(encodingName == "MacRomanEncoding" ? kMacRomanEncoding : kWinAnsiEncoding);
  if (differences) {
    int64_t code = 0;
    for (size_t i = 0; i < differences->Count(); ++i) {
      TPDFObject* item = differences->Item(i);
      if (auto* ref = PdfCast<TPDFIndRef>(item)) item = ref->Resolve();
      if (auto* number = PdfCast<TPDFNumeric>(item)) {
        // Any number outside 0..255 (huge or NaN ones included, which must
        // not be converted) parks the names that follow past the last code.
        double value = number->Value;
        code = value >= 0 && value < 256 ? static_cast<int64_t>(value) : 256;
      } else if (auto* glyph = PdfCast<TPDFName>(item)) {
        // A code outside 0..255 names nothing a one-byte font can show.
        if (code >= 0 && code < 256) table[static_cast<size_t>(code)] = GlyphNameToUnicode(glyph->Value);
        ++code;
      }
    }
  }
  CharacterMap.Clear();
  for (int code = 0; code < 256; ++code) {
    char16_t unicode = table[static_cast<size_t>(code)];
    if (unicode != 0) CharacterMap.AddMapping(kCharacterKind, unicode, OneByte(code));
  }
}

std::u16string TPDFFont::FilterText(std::u16string_view text) const {
  std::u16string kept;
  kept.reserve(text.size());
  for (char16_t c : text) {
    if (CharacterMap.HasCode(kCharacterKind, c)) kept += c;
  }
  return kept;
}

std::string TPDFFont::EncodeText(std::u16string_view text) const {
  std::string bytes;
  bytes.reserve(text.size());
  std::string code;
  for (char16_t c : text) {
    if (CharacterMap.CodeBytes(kCharacterKind, c, code)) bytes += code;
  }
  return bytes;
}

int32_t TPDFFont::CharWidth(char16_t character) {
  if (WidthLookup.Count() > 0) return WidthLookup.FindWidth(character);
  int code = CharacterMap.CodeValue(kCharacterKind, character);
  if (code < FirstCode || code > LastCode || Widths.size() != static_cast<size_t>(LastCode - FirstCode + 1)) {
    return 0;
  }
  return Widths[static_cast<size_t>(code - FirstCode)];
}

int32_t TPDFFont::KerningAmount(char16_t first, char16_t second) const {
  for (const TKerningPair& pair : KerningPairs) {
    if (pair.First == first && pair.Second == second) return pair.Amount;
  }
  return 0;
}

// ---- making fonts ----

std::string_view StandardFontName(int number) {
  if (number < 0 || number >= static_cast<int>(std::size(kStandardFontNames))) return {};
  return kStandardFontNames[number];
}

TPDFFont* NewStandardFont(TPDFDocument& document, int number) {
  std::string_view name = StandardFontName(number);
  if (name.empty()) return nullptr;
  std::string resourceName;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    resourceName = "OstrelF" + NewNameTag();
    bool taken = std::any_of(document.Fonts.begin(), document.Fonts.end(),
                             [&](const auto& font) { return font->ResourceName == resourceName; });
    if (!taken) break;
  }
  auto font = std::make_unique<TPDFFont>(document.Pool(), resourceName);
  font->SetupStandardFont(name, number + 1);
  document.Fonts.push_back(MakeDocumentPart(std::move(font)));
  return document.Fonts.back().get();
}

}  // namespace ostrel
