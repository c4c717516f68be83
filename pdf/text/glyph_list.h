#pragma once
// Glyph names to Unicode through the Adobe Glyph List.
#include <string_view>

namespace ostrel {

// The UTF-16 code of a glyph name, case-sensitive; 0 for an unknown or empty
// name and for names that do not start with a letter between "A" and "z"
// (such as the "U+" and "CID:" names the font model makes itself).
char16_t GlyphNameToUnicode(std::string_view name);

}  // namespace ostrel
