#pragma once
// Latin ligature characters (U+FB00 to U+FB06) written as their letters.
// Fonts map the "fi" and "ffl" glyphs to these characters, but a reader
// searching or copying the text looks for "fi": the page shows two letters.
#include <string>

namespace ostrel {

// The text with every Latin ligature character replaced by its letters.
std::u16string ExpandLigatures(std::u16string text);

}  // namespace ostrel
