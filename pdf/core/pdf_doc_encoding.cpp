#include "pdf/core/pdf_doc_encoding.h"

#include <array>
#include <unordered_map>
#include <utility>

namespace ostrel {
namespace {

// Codes whose character differs from the code itself: the accents below the
// space and the typographic characters from 0x80 on. Every other code is its
// own Unicode value (Latin-1 above 0xA0).
constexpr std::pair<unsigned char, char16_t> kOwnCharacters[] = {
    {0x18, 0x02D8}, {0x19, 0x02C7}, {0x1A, 0x02C6}, {0x1B, 0x02D9}, {0x1C, 0x02DD}, {0x1D, 0x02DB},
    {0x1E, 0x02DA}, {0x1F, 0x02DC}, {0x80, 0x2022}, {0x81, 0x2020}, {0x82, 0x2021}, {0x83, 0x2026},
    {0x84, 0x2014}, {0x85, 0x2013}, {0x86, 0x0192}, {0x87, 0x2044}, {0x88, 0x2039}, {0x89, 0x203A},
    {0x8A, 0x2212}, {0x8B, 0x2030}, {0x8C, 0x201E}, {0x8D, 0x201C}, {0x8E, 0x201D}, {0x8F, 0x2018},
    {0x90, 0x2019}, {0x91, 0x201A}, {0x92, 0x2122}, {0x93, 0xFB01}, {0x94, 0xFB02}, {0x95, 0x0141},
    {0x96, 0x0152}, {0x97, 0x0160}, {0x98, 0x0178}, {0x99, 0x017D}, {0x9A, 0x0131}, {0x9B, 0x0142},
    {0x9C, 0x0153}, {0x9D, 0x0161}, {0x9E, 0x017E}, {0xA0, 0x20AC},
};
// Codes the encoding leaves undefined: read as themselves, never written.
constexpr unsigned char kUndefined[] = {0x7F, 0x9F, 0xAD};

struct TPdfDocTables {
  std::array<char16_t, 256> ToUnicode{};
  std::unordered_map<char16_t, unsigned char> FromUnicode;
  TPdfDocTables() {
    for (int code = 0; code < 256; ++code) ToUnicode[code] = static_cast<char16_t>(code);
    for (auto [code, unicode] : kOwnCharacters) ToUnicode[code] = unicode;
    for (int code = 0; code < 256; ++code) FromUnicode.emplace(ToUnicode[code], static_cast<unsigned char>(code));
    for (unsigned char code : kUndefined) FromUnicode.erase(ToUnicode[code]);
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
