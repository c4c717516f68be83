#pragma once
// Conversions between the encodings the program meets at its edges: UTF-8
// (file names, settings, text files), UTF-16 (the library's interface) and
// Windows-1252 (the one-byte code page of fonts and older passwords).
#include <string>
#include <string_view>

namespace ostrel {

// UTF-8 to UTF-16. Input that is not valid UTF-8 is read as Windows-1252.
std::u16string Utf8ToUtf16(std::string_view text);

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// True when the bytes form valid UTF-8.
bool IsValidUtf8(std::string_view text);

// Windows-1252 byte to its Unicode character (undefined codes map to themselves).
char16_t Cp1252ToUnicode(unsigned char byte);

// Unicode character to its Windows-1252 byte; 0 when the code page lacks it.
unsigned char UnicodeToCp1252(char16_t ch);

// Whole-string forms of the two above; unmapped characters become "?".
std::u16string Cp1252ToUtf16(std::string_view bytes);
std::string Utf16ToCp1252(std::u16string_view text);

}  // namespace ostrel
