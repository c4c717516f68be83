#include "pdf/text/encodings.h"

#include <cstdio>
#include <iterator>

namespace ostrel {
namespace {

struct TMacExpertGlyph {
  const char* Name;
  int Code;
};

constexpr TMacExpertGlyph kMacExpert[] = {
#include "data/mac_expert.inc"
};

constexpr TSymbolGlyph kSymbol[] = {
#include "data/symbol_encoding.inc"
};
static_assert(std::size(kSymbol) == 189);

struct TDingbatsGlyph {
  int Code;
  const char* Name;
  char16_t Unicode;
};

constexpr TDingbatsGlyph kDingbats[] = {
#include "data/dingbats_encoding.inc"
};

TGlyphNames BuildLatin(int encoding) {
  TGlyphNames names;
  names.fill(".notdef");
  for (const TLatinChar& c : LatinCharset()) {
    int code = c.Codes[encoding];
    if (code >= 0 && code <= 255) names[code] = c.Name;
  }
  if (encoding == kWinAnsiEncoding) {
    // Readers show the codes Windows leaves undefined as bullets, and the
    // no-break space and soft hyphen as their ordinary glyphs.
    for (int code = 33; code < 256; ++code)
      if (names[code] == ".notdef") names[code] = "bullet";
    names[160] = "space";
    names[173] = "hyphen";
  } else if (encoding == kMacRomanEncoding) {
    names[202] = "space";
  }
  return names;
}

TGlyphNames BuildMacExpert() {
  TGlyphNames names;
  names.fill(".notdef");
  for (const TMacExpertGlyph& g : kMacExpert) names[g.Code] = g.Name;
  return names;
}

TGlyphNames BuildSymbol(bool unicodeNames) {
  TGlyphNames names;
  for (const TSymbolGlyph& g : kSymbol) {
    if (unicodeNames) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(g.Unicode));
      names[g.Code] = buf;
    } else {
      names[g.Code] = g.Name;
    }
  }
  return names;
}

struct TEncodingTables {
  TGlyphNames ByNumber[6];
  TGlyphNames SymbolUnicode;
  TEncodingTables() {
    for (int e = 0; e < 4; ++e) ByNumber[e] = BuildLatin(e);
    ByNumber[kMacExpertEncoding] = BuildMacExpert();
    ByNumber[kSymbolEncoding] = BuildSymbol(false);
    SymbolUnicode = BuildSymbol(true);
  }
};

// Built on first use; a function-local static is initialised exactly once
// even when several threads arrive together.
const TEncodingTables& Tables() {
  static const TEncodingTables tables;
  return tables;
}

}  // namespace

const TGlyphNames& GlyphNamesOf(int encoding) {
  if (encoding < 0 || encoding > kSymbolEncoding) encoding = kStandardEncoding;
  return Tables().ByNumber[encoding];
}

int EncodingNumberOf(std::string_view name) {
  static constexpr std::string_view kNames[] = {"StandardEncoding", "MacRomanEncoding", "WinAnsiEncoding",
                                                "PDFDocEncoding", "MacExpertEncoding"};
  for (int i = 0; i < static_cast<int>(std::size(kNames)); ++i)
    if (kNames[i] == name) return i;
  return -1;
}

std::span<const TSymbolGlyph> SymbolGlyphs() { return kSymbol; }

const TSymbolGlyph* FindSymbolGlyph(std::string_view name) {
  const TGlyphNames& unicodeNames = Tables().SymbolUnicode;
  for (const TSymbolGlyph& g : kSymbol)
    if (g.Name == name || unicodeNames[g.Code] == name) return &g;
  return nullptr;
}

const TGlyphNames& SymbolUnicodeNames() { return Tables().SymbolUnicode; }

char16_t DingbatsCodeUnicode(int code) {
  for (const TDingbatsGlyph& g : kDingbats)
    if (g.Code == code) return g.Unicode;
  return 0;
}

char16_t DingbatsNameUnicode(std::string_view name) {
  for (const TDingbatsGlyph& g : kDingbats)
    if (g.Name == name) return g.Unicode;
  return 0;
}

}  // namespace ostrel
