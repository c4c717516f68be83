// PostScript glyph names of the post table.
#include <algorithm>

#include "pdf/text/fonts/font_program_bytes.h"
#include "pdf/text/fonts/truetype_parser.h"

namespace ostrel {
namespace {

constexpr const char* kMacNames[] = {
    ".notdef", ".null", "nonmarkingreturn", "space", "exclam", "quotedbl", "numbersign", "dollar", "percent",
    "ampersand", "quotesingle", "parenleft", "parenright", "asterisk", "plus", "comma", "hyphen", "period",
    "slash", "zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "colon",
    "semicolon", "less", "equal", "greater", "question", "at", "A", "B", "C", "D", "E", "F", "G", "H", "I", "J",
    "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z", "bracketleft", "backslash",
    "bracketright", "asciicircum", "underscore", "grave", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k",
    "l", "m", "n", "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z", "braceleft", "bar", "braceright",
    "asciitilde", "Adieresis", "Aring", "Ccedilla", "Eacute", "Ntilde", "Odieresis", "Udieresis", "aacute",
    "agrave", "acircumflex", "adieresis", "atilde", "aring", "ccedilla", "eacute", "egrave", "ecircumflex",
    "edieresis", "iacute", "igrave", "icircumflex", "idieresis", "ntilde", "oacute", "ograve", "ocircumflex",
    "odieresis", "otilde", "uacute", "ugrave", "ucircumflex", "udieresis", "dagger", "degree", "cent",
    "sterling", "section", "bullet", "paragraph", "germandbls", "registered", "copyright", "trademark", "acute",
    "dieresis", "notequal", "AE", "Oslash", "infinity", "plusminus", "lessequal", "greaterequal", "yen", "mu",
    "partialdiff", "summation", "product", "pi", "integral", "ordfeminine", "ordmasculine", "Omega", "ae",
    "oslash", "questiondown", "exclamdown", "logicalnot", "radical", "florin", "approxequal", "Delta",
    "guillemotleft", "guillemotright", "ellipsis", "nonbreakingspace", "Agrave", "Atilde", "Otilde", "OE", "oe",
    "endash", "emdash", "quotedblleft", "quotedblright", "quoteleft", "quoteright", "divide", "lozenge",
    "ydieresis", "Ydieresis", "fraction", "currency", "guilsinglleft", "guilsinglright", "fi", "fl",
    "daggerdbl", "periodcentered", "quotesinglbase", "quotedblbase", "perthousand", "Acircumflex",
    "Ecircumflex", "Aacute", "Edieresis", "Egrave", "Iacute", "Icircumflex", "Idieresis", "Igrave", "Oacute",
    "Ocircumflex", "apple", "Ograve", "Uacute", "Ucircumflex", "Ugrave", "dotlessi", "circumflex", "tilde",
    "macron", "breve", "dotaccent", "ring", "cedilla", "hungarumlaut", "ogonek", "caron", "Lslash", "lslash",
    "Scaron", "scaron", "Zcaron", "zcaron", "brokenbar", "Eth", "eth", "Yacute", "yacute", "Thorn", "thorn",
    "minus", "multiply", "onesuperior", "twosuperior", "threesuperior", "onehalf", "onequarter",
    "threequarters", "franc", "Gbreve", "gbreve", "Idotaccent", "Scedilla", "scedilla", "Cacute", "cacute",
    "Ccaron", "ccaron", "dcroat"};
static_assert(std::size(kMacNames) == kMacGlyphNameCount);

}  // namespace

const char* MacGlyphName(int index) {
  return index >= 0 && index < kMacGlyphNameCount ? kMacNames[index] : "";
}

void TPDFTrueTypeParser::ReadPost() {
  std::string_view table = TableData("post");
  if (table.empty()) return;
  TFontByteReader r(table);
  PostVersion = r.U32();
  ItalicAngle = r.S32();
  UnderlinePosition = r.S16();
  UnderlineThickness = r.S16();
  IsFixedPitch = r.U32();
  r.Skip(16);  // memory fields
  glyphNames_.assign(glyphCount_, std::string());
  if (PostVersion == 0x00010000) {
    for (size_t g = 0; g < std::min<size_t>(glyphCount_, kMacGlyphNameCount); ++g) glyphNames_[g] = kMacNames[g];
  } else if (PostVersion == 0x00020000) {
    size_t count = std::min<size_t>(r.U16(), glyphCount_);
    std::vector<uint16_t> indices(count);
    for (auto& i : indices) i = r.U16();
    // The Pascal strings that follow, numbered from 258.
    std::vector<std::string_view> strings;
    while (r.Remaining() > 0) {
      uint8_t len = r.U8();
      std::string_view s = r.Bytes(len);
      if (r.Overrun()) break;
      strings.push_back(s);
    }
    for (size_t g = 0; g < count; ++g) {
      uint16_t i = indices[g];
      if (i < kMacGlyphNameCount)
        glyphNames_[g] = kMacNames[i];
      else if (size_t(i - kMacGlyphNameCount) < strings.size())
        glyphNames_[g] = std::string(strings[i - kMacGlyphNameCount]);
    }
  } else if (PostVersion == 0x00025000) {
    size_t count = std::min<size_t>(r.U16(), glyphCount_);
    for (size_t g = 0; g < count; ++g) {
      int index = int(g) + static_cast<int8_t>(r.U8());
      if (index > 0 && index < kMacGlyphNameCount) glyphNames_[g] = kMacNames[index];
    }
  } else {
    // Version 3 and unknown versions carry no names.
    glyphNames_.clear();
  }
}

}  // namespace ostrel
