#include "pdf/text/cmaps/predefined_cmaps.h"

#include <zlib.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace ostrel {
namespace {

#include "data/cmap_tables.inc"

TOstrelCMap Unpack(const char* packed, unsigned size, unsigned unpacked) {
  std::string data(unpacked, '\0');
  uLongf length = unpacked;
  TOstrelCMap map;
  if (uncompress(reinterpret_cast<Bytef*>(data.data()), &length, reinterpret_cast<const Bytef*>(packed), size) ==
      Z_OK) {
    data.resize(length);
    map.LoadFromStream(data);
  }
  return map;
}

bool IsIdentity(std::string_view name) { return name == "Identity-H" || name == "Identity-V"; }

// The Unicode CMaps of the four CJK collections ("UniJIS-UCS2-H",
// "UniGB-UTF16-V", ...): every two-byte code is a UTF-16 unit, so the code
// itself is the text. UTF-16 surrogate pairs arrive as two codes whose texts
// join up again.
bool IsUnicodeCMap(std::string_view name) {
  return name.starts_with("Uni") && (name.find("-UCS2-") != std::string_view::npos ||
                                     name.find("-UTF16-") != std::string_view::npos) &&
         (name.ends_with("-H") || name.ends_with("-V"));
}

bool IsTwoByteIdentity(std::string_view name) { return IsIdentity(name) || IsUnicodeCMap(name); }

// Unicode -> Adobe-Japan1 CID of that single character: the inverse of the
// CID -> Unicode table, standing in for the UniJIS CMaps. Where several CIDs
// show one character the lowest wins, except that the alternate kana and
// symbol forms at CIDs 390 to 632 give way to any other form; this agrees
// with UniJIS-UCS2-H on 94% of its codes, and the rest are mostly forms of
// equal width.
bool IsAlternateJapan1Form(uint32_t cid) { return cid >= 390 && cid <= 632; }

const std::vector<std::pair<char16_t, uint16_t>>& Japan1CIDsByUnicode() {
  static const std::vector<std::pair<char16_t, uint16_t>> table = [] {
    std::vector<std::pair<char16_t, uint16_t>> out;
    for (const TOstrelCMapSection& s : Japan1UnicodeTable().Sections) {
      if (s.Kind != 2 || s.Width != 2) continue;
      for (size_t i = 0; i < s.Keys.size() && s.Keys[i] <= UINT16_MAX; ++i) {
        std::string_view d = s.Destination(i);
        auto unicode = static_cast<char16_t>(static_cast<unsigned char>(d[0]) << 8 | static_cast<unsigned char>(d[1]));
        out.emplace_back(unicode, static_cast<uint16_t>(s.Keys[i]));
      }
    }
    std::sort(out.begin(), out.end(), [](auto& a, auto& b) {
      if (a.first != b.first) return a.first < b.first;
      bool altA = IsAlternateJapan1Form(a.second), altB = IsAlternateJapan1Form(b.second);
      return altA != altB ? altB : a.second < b.second;
    });
    out.erase(std::unique(out.begin(), out.end(), [](auto& a, auto& b) { return a.first == b.first; }), out.end());
    return out;
  }();
  return table;
}

// The Shift-JIS table of a name, or nullptr.
const TOstrelCMap* ShiftJisTable(std::string_view name) {
  if (name == "90msp-RKSJ-H") return &Cmap90mspRKSJH();
  if (name == "90ms-RKSJ-H") return &Cmap90msRKSJH();
  return nullptr;
}

// Walks mixed one- and two-byte Shift-JIS text: a byte the table knows as a
// one-byte code stands alone; otherwise it starts a two-byte code. An unknown
// two-byte code is skipped, and the walk stays in two-byte mode, as the
// bytes after a broken lead byte are most likely further two-byte codes.
TOstrelCodeList SplitShiftJis(const TOstrelCMap& table, std::string_view bytes) {
  TOstrelCodeList codes;
  size_t pos = 0;
  uint32_t length = 1;
  while (pos < bytes.size()) {
    uint32_t code = static_cast<unsigned char>(bytes[pos]);
    if (length == 2 && pos + 1 < bytes.size()) code = code << 8 | static_cast<unsigned char>(bytes[pos + 1]);
    if (table.HasCode(length, code)) {
      codes.push_back(static_cast<uint16_t>(code));
      pos += length;
      length = 1;
    } else if (length == 1) {
      length = 2;
    } else {
      pos += 2;
    }
  }
  return codes;
}

}  // namespace

const TOstrelCMap& Japan1UnicodeTable() {
  static const TOstrelCMap map = Unpack(kJapan1Unicode, kJapan1UnicodeSize, kJapan1UnicodeUnpacked);
  return map;
}

const TOstrelCMap& Cmap90mspRKSJH() {
  static const TOstrelCMap map = Unpack(k90mspRKSJH, k90mspRKSJHSize, k90mspRKSJHUnpacked);
  return map;
}

const TOstrelCMap& Cmap90msRKSJH() {
  static const TOstrelCMap map = Unpack(k90msRKSJH, k90msRKSJHSize, k90msRKSJHUnpacked);
  return map;
}

TOstrelCodeList SplitPredefined(std::string_view cmapName, std::string_view bytes, bool& handled) {
  handled = true;
  if (IsTwoByteIdentity(cmapName)) {
    TOstrelCodeList codes;
    codes.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      codes.push_back(static_cast<uint16_t>(static_cast<unsigned char>(bytes[i]) << 8 |
                                            static_cast<unsigned char>(bytes[i + 1])));
    return codes;
  }
  if (const TOstrelCMap* table = ShiftJisTable(cmapName)) return SplitShiftJis(*table, bytes);
  handled = false;
  return {};
}

std::u16string PredefinedCodeText(std::string_view cmapName, std::string_view collection, uint32_t code) {
  if (IsUnicodeCMap(cmapName)) return code <= UINT16_MAX ? std::u16string(1, static_cast<char16_t>(code)) : u"";
  uint32_t cid;
  if (IsIdentity(cmapName)) {
    cid = code;
  } else if (const TOstrelCMap* table = ShiftJisTable(cmapName)) {
    cid = table->CodeValue(0, code);
  } else {
    return {};
  }
  if (collection.starts_with("Adobe-Japan1-")) return Japan1UnicodeTable().CodeText(2, cid);
  if (collection.starts_with("Adobe-Identity-")) return std::u16string(1, static_cast<char16_t>(cid));
  return {};
}

uint32_t PredefinedCodeCID(std::string_view cmapName, std::string_view collection, uint32_t code) {
  if (const TOstrelCMap* table = ShiftJisTable(cmapName)) return table->CodeValue(0, code);
  if (IsUnicodeCMap(cmapName) && collection.starts_with("Adobe-Japan1-") && code <= UINT16_MAX) {
    // The "HW" CMaps show ASCII in the half-width forms from CID 231 on,
    // where CID 291 is the yen sign and the backslash has a CID of its own.
    if (cmapName.find("-HW-") != std::string_view::npos && code >= 0x20 && code <= 0x7E)
      return code == 0x5C ? 8719 : code - 0x20 + 231;
    const auto& byUnicode = Japan1CIDsByUnicode();
    auto it = std::lower_bound(byUnicode.begin(), byUnicode.end(), static_cast<char16_t>(code),
                               [](const auto& e, char16_t u) { return e.first < u; });
    return it != byUnicode.end() && it->first == code ? it->second : 0;
  }
  return code;
}

}  // namespace ostrel
