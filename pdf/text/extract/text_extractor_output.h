#pragma once
// How the text extractor writes what it found: the clean-up of plain text,
// the lines of the positioned list and the colour text they carry.
#include <string>
#include <string_view>

namespace ostrel {

// Collapses the empty lines the break rules leave behind: a line holding one
// space goes, three line breaks in a row become one (four become two), NUL
// characters become spaces, and spaces at both ends are removed.
void CleanUpExtractedText(std::u16string& text);

// One line of the positioned list: x, y, colour, size, "base font", "text"
// joined by commas, double quotes inside the text escaped, ending in CR LF.
void AppendListLine(std::u16string& out, double x, double y, std::string_view colorText, double size,
                    std::string_view baseFont, std::u16string_view text);

// "#" and six upper-case hex digits of blue·65536 + green·256 + red, each
// component (0 to 1) scaled to 0..255, rounded half to even and clamped.
std::string FillColorText(double red, double green, double blue);

}  // namespace ostrel
