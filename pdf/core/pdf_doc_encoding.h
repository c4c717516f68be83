#pragma once
// PDFDocEncoding, the one-byte encoding of PDF text strings, and the text
// string form that falls back to UTF-16BE with a byte order mark.
#include <string>
#include <string_view>

namespace ostrel {

// Bytes in PDFDocEncoding to UTF-16. Codes the encoding leaves undefined
// (0x7F, 0x9F, 0xAD) and the control codes below 0x18 keep their value.
std::u16string PdfDocDecode(std::string_view bytes);

// UTF-16 to PDFDocEncoding, appended to out. Returns false, leaving out as
// far as it got, when a character has no code.
bool PdfDocEncode(std::u16string_view text, std::string& out);

// A PDF text string: UTF-16BE after the bytes FE FF, else PDFDocEncoding.
std::u16string PdfTextDecode(std::string_view bytes);

// PDFDocEncoding when every character has a code there, else FE FF and
// UTF-16BE.
std::string PdfTextEncode(std::u16string_view text);

}  // namespace ostrel
