#pragma once
// The 14 standard fonts as the reading side knows them: alias names that
// select them, font boxes, ascent, descent and glyph widths.
#include <string_view>

namespace ostrel {

struct TStandardFontInfo {
  int Number;               // 1 to 14
  const char* Aliases;      // names each followed by "*"
  int Box[4];               // llx lly urx ury
  int Ascent;
  int Descent;
};

inline constexpr int kStandardSymbolFont = 13;
inline constexpr int kStandardDingbatsFont = 14;

// The standard font a /BaseFont selects: the last font whose alias list holds
// the name followed by "*"; 0 when none does.
int MatchStandardFont(std::string_view baseFont);

// Font 1 to 14; nullptr for other numbers.
const TStandardFontInfo* StandardFontInfo(int number);

// Width of a glyph name in standard font 1 to 13: the Latin character's width
// in fonts 1 to 12, the Symbol glyph's (by name or "U+" name) in font 13;
// 750 for any other name or font.
int StandardGlyphWidth(int number, std::string_view glyphName);

}  // namespace ostrel
