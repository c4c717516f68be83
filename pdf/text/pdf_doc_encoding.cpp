#include "pdf/text/pdf_doc_encoding.h"

#include <array>
#include <unordered_map>

#include "pdf/text/latin_charset.h"

namespace ostrel {
namespace {

struct TPdfDocTables {
  std::array<char16_t, 256> ToUnicode{};
  std::unordered_map<char16_t, unsigned char> FromUnicode;
  TPdfDocTables() {
    for (int code = 0; code < 256; ++code) ToUnicode[code] = static_cast<char16_t>(code);
    for (const TLatinChar& c : LatinCharset()) {
      int code = c.Codes[kPDFDocEncoding];
      if (code >= 0 && code <= 255) ToUnicode[code] = c.Unicode;
    }
    // Control codes (tab, line feed, carriage return among them) are written
    // as themselves; the codes above take their Latin characters.
    for (int code = 0; code < 0x18; ++code) FromUnicode.emplace(static_cast<char16_t>(code), code);
    for (const TLatinChar& c : LatinCharset()) {
      int code = c.Codes[kPDFDocEncoding];
      if (code >= 0 && code <= 255) FromUnicode.emplace(c.Unicode, static_cast<unsigned char>(code));
    }
  }
};

const TPdfDocTables& Tables() {
  static const TPdfDocTables tables;
  return tables;
}

}  // namespace

std::u16string PdfDocDecode(std::string_view bytes) {
  const auto& map = Tables().ToUnicode;
  std::u16string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) out.push_back(map[b]);
  return out;
}

bool PdfDocEncode(std::u16string_view text, std::string& out) {
  const auto& map = Tables().FromUnicode;
  for (char16_t ch : text) {
    auto it = map.find(ch);
    if (it == map.end()) return false;
    out.push_back(static_cast<char>(it->second));
  }
  return true;
}

std::u16string PdfTextDecode(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
      static_cast<unsigned char>(bytes[1]) == 0xFF) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) << 8 |
                                          static_cast<unsigned char>(bytes[i + 1])));
    return out;
  }
  return PdfDocDecode(bytes);
}

std::string PdfTextEncode(std::u16string_view text) {
  std::string out;
  // Text beginning with "\u00FE\u00FF" would read back as UTF-16: write it so.
  if (PdfDocEncode(text, out) && out.rfind("\xFE\xFF", 0) != 0) return out;
  out.assign("\xFE\xFF");
  for (char16_t ch : text) {
    out.push_back(static_cast<char>(ch >> 8));
    out.push_back(static_cast<char>(ch & 0xFF));
  }
  return out;
}

}  // namespace ostrel
