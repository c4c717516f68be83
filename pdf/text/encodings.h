#pragma once
// Glyph names of the built-in single-byte encodings, the Symbol font's own
// encoding with its Unicode values and widths, and the ZapfDingbats font's
// characters.
#include <array>
#include <span>
#include <string>
#include <string_view>

#include "pdf/text/latin_charset.h"

namespace ostrel {

using TGlyphNames = std::array<std::string, 256>;

// The 256 glyph names of an encoding number (0 to 5). Codes without a glyph
// get ".notdef" (the Symbol encoding leaves them empty); WinAnsiEncoding fills
// its gaps as readers expect: 160 "space", 173 "hyphen", other unassigned
// codes from 33 up "bullet"; MacRomanEncoding gives 202 "space" too. Any
// other number gives StandardEncoding.
const TGlyphNames& GlyphNamesOf(int encoding);

// The encoding number of an encoding name, or -1 (Symbol has no name).
int EncodingNumberOf(std::string_view name);

struct TSymbolGlyph {
  const char* Name;
  int Code;
  char16_t Unicode;
  int Width;
};

// The 189 glyphs of the Symbol font's built-in encoding, in code order.
std::span<const TSymbolGlyph> SymbolGlyphs();

// The Symbol glyph with this name, or with this "U+XXXX" name; nullptr if none.
const TSymbolGlyph* FindSymbolGlyph(std::string_view name);

// The names the standard Symbol font uses for its codes: "U+" and four
// upper-case hex digits of each glyph's Unicode value; empty elsewhere.
const TGlyphNames& SymbolUnicodeNames();

// The character of a code of the ZapfDingbats font's built-in encoding, and
// of one of its glyph names ("a20"); 0 when there is none.
char16_t DingbatsCodeUnicode(int code);
char16_t DingbatsNameUnicode(std::string_view name);

}  // namespace ostrel
