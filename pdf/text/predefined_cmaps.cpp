#include "pdf/text/predefined_cmaps.h"

#include <zlib.h>

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

bool IsTwoByteIdentity(std::string_view name) {
  return name == "Identity-H" || name == "Identity-V" || name == "UniJIS-UCS2-H";
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
  uint32_t cid;
  if (IsTwoByteIdentity(cmapName)) {
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

}  // namespace ostrel
