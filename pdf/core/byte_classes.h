#pragma once
// The three classes of bytes in PDF syntax, shared by every tokenizer in the
// library (objects, cross-reference data, content streams, Type 1 programs,
// CMaps, calculator functions): white space separates tokens, delimiters
// separate tokens and start some, every other byte is regular and belongs to
// the token it is in.
#include <array>
#include <cstdint>
#include <string_view>

namespace ostrel {

enum TByteClass : uint8_t { kRegularByte = 0, kWhiteSpaceByte = 1, kDelimiterByte = 2 };

inline constexpr std::array<TByteClass, 256> kByteClasses = [] {
  std::array<TByteClass, 256> table{};
  for (unsigned char c : {0x00, 0x09, 0x0A, 0x0C, 0x0D, 0x20}) table[c] = kWhiteSpaceByte;
  for (unsigned char c : std::string_view("()<>[]{}/%")) table[c] = kDelimiterByte;
  return table;
}();

constexpr TByteClass ByteClass(char c) { return kByteClasses[static_cast<unsigned char>(c)]; }
// NUL, tab, line feed, form feed, carriage return and space.
constexpr bool IsPdfWhiteSpace(char c) { return ByteClass(c) == kWhiteSpaceByte; }
// ( ) < > [ ] { } / %
constexpr bool IsPdfDelimiter(char c) { return ByteClass(c) == kDelimiterByte; }
constexpr bool IsPdfRegular(char c) { return ByteClass(c) == kRegularByte; }

}  // namespace ostrel
