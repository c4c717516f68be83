#pragma once
// How the text extractor writes what it found: the clean-up of plain text,
// the lines of the positioned list and the colour text they carry.
#include <cstdint>
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

// "#" and six upper-case hex digits of a colour 0x00BBGGRR: blue first.
std::string FillColorText(int32_t color);

}  // namespace ostrel
