#pragma once
// The Latin character set: 229 named characters with their codes in the four
// Latin encodings and their widths in the twelve Latin standard fonts.
#include <cstdint>
#include <span>
#include <string_view>

namespace ostrel {

// Encoding numbers used throughout the font model.
enum TPDFEncodingNumber : int {
  kStandardEncoding = 0,
  kMacRomanEncoding = 1,
  kWinAnsiEncoding = 2,
  kPDFDocEncoding = 3,
  kMacExpertEncoding = 4,
  kSymbolEncoding = 5,
};

struct TLatinChar {
  const char* Name;
  char16_t Unicode;
  int16_t Codes[4];    // by encoding number 0..3; -1 where the encoding lacks it
  int16_t Widths[12];  // by standard font number 1..12, minus one
};

// All 229 characters, sorted by name.
std::span<const TLatinChar> LatinCharset();

// The character with this glyph name, or nullptr.
const TLatinChar* FindLatinChar(std::string_view name);

// The WinAnsiEncoding byte of a Unicode value among the Latin characters:
// 0 when the value is not one of them, 0xFF for those WinAnsiEncoding lacks.
unsigned char WinAnsiByteOf(char16_t unicode);

}  // namespace ostrel
