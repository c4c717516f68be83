#include "pdf/text/standard_fonts.h"

#include <iterator>
#include <string>

#include "pdf/text/encodings.h"
#include "pdf/text/latin_charset.h"

namespace ostrel {
namespace {

constexpr TStandardFontInfo kStandardFonts[] = {
    {1, "Courier*CourierNew*CourierNewPSMT*CourierNewPS*", {-28, -250, 628, 805}, 629, -157},
    {2,
     "Courier-Bold*Courier,Bold*CourierNew-Bold*CourierNew,Bold*CourierNewPS,BoldMT*CourierNewPS,Bold*"
     "CourierNewPS,BoldMT,Bold*",
     {-113, -250, 749, 801}, 626, -142},
    {3,
     "Courier-BoldOblique*Courier,BoldItalic*CourierNew-BoldItalic*CourierNew,BoldItalic*"
     "CourierNewPS-BoldItalicMT*",
     {-56, -250, 868, 801}, 626, -142},
    {4,
     "Courier-Oblique*Courier,Italic*CourierNew-Italic*CourierNew,Italic*CourierNewPS-ItalicMT*"
     "CourierNewPS,ItalicMT,Italic*",
     {-28, -250, 742, 805}, 629, -157},
    {5, "Helvetica*Arial*ArialMT*HelveticaNeue-Roman*HelveticaNeue-UltraLight*Arial,BoldMT,Bold*",
     {-166, -225, 1000, 931}, 718, -207},
    {6, "Helvetica-Bold*Helvetica,Bold*Arial-Bold*Arial,Bold*Arial-BoldMT*HelveticaNeue,Bold*",
     {-170, -228, 1003, 962}, 718, -207},
    {7,
     "Helvetica-BoldOblique*Helvetica-BoldItalic*Helvetica,BoldItalic*Arial-BoldItalic*Arial,BoldItalic*"
     "Arial-BoldItalicMT*",
     {-174, -228, 1114, 962}, 718, -207},
    {8, "Helvetica-Oblique*Helvetica-Italic*Helvetica,Italic*Arial-Italic*Arial,Italic*Arial-ItalicMT*",
     {-170, -225, 1116, 931}, 718, -207},
    {9, "Times-Roman*TimesNewRoman*TimesNewRomanPS*TimesNewRomanPSMT*", {-168, -218, 1000, 898}, 683, -217},
    {10,
     "Times-Bold*TimesNewRoman-Bold*TimesNewRoman,Bold*TimesNewRomanPS-Bold*TimesNewRomanPS-BoldMT*"
     "TimesNewRomanPS,Bold*TimesNewRomanPS,BoldMT*",
     {-168, -218, 1000, 935}, 676, -205},
    {11,
     "Times-Italic*TimesNewRoman-Italic*TimesNewRoman,Italic*TimesNewRomanPS-Italic*"
     "TimesNewRomanPS-ItalicMT*",
     {-169, -217, 1010, 883}, 683, -205},
    {12,
     "Times-BoldItalic*TimesNewRoman-BoldItalic*TimesNewRoman,BoldItalic*TimesNewRomanPS-BoldItalic*"
     "TimesNewRomanPS-BoldItalicMT*",
     {-200, -218, 996, 921}, 699, -205},
    {13, "Symbol*", {-180, -293, 1090, 1010}, 699, -205},
    {14, "ZapfDingbats*", {-180, -293, 1090, 1010}, 699, -205},
};

constexpr int kDefaultWidth = 750;

// True when name followed by "*" occurs in the alias list. The match is on
// text, not on whole entries, which is what the lists were written for; the
// caller's "last match wins" settles names that occur in several lists.
bool AliasListHolds(std::string_view aliases, std::string_view name) {
  if (name.empty()) return false;
  std::string key(name);
  key += '*';
  return aliases.find(key) != std::string_view::npos;
}

}  // namespace

int MatchStandardFont(std::string_view baseFont) {
  int match = 0;
  for (const TStandardFontInfo& f : kStandardFonts)
    if (AliasListHolds(f.Aliases, baseFont)) match = f.Number;
  return match;
}

const TStandardFontInfo* StandardFontInfo(int number) {
  return number >= 1 && number <= static_cast<int>(std::size(kStandardFonts)) ? &kStandardFonts[number - 1]
                                                                               : nullptr;
}

int StandardGlyphWidth(int number, std::string_view glyphName) {
  if (number >= 1 && number <= 12) {
    const TLatinChar* c = FindLatinChar(glyphName);
    return c ? c->Widths[number - 1] : kDefaultWidth;
  }
  if (number == kStandardSymbolFont) {
    const TSymbolGlyph* g = FindSymbolGlyph(glyphName);
    return g ? g->Width : kDefaultWidth;
  }
  return kDefaultWidth;
}

}  // namespace ostrel
