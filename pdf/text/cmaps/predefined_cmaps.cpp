#include "pdf/text/cmaps/predefined_cmaps.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>

namespace ostrel {
namespace {

#include "data/cmap_tables.inc"

struct TPackedCMap {
  const char* Name;
  const char* Base;  // "" when the CMap stands alone
  int WritingMode;
  const char* Ordering;
  unsigned Size;
  unsigned Unpacked;
  const char* Data;
};

constexpr TPackedCMap kPackedCMaps[] = {
#include "data/predefined_cmaps.inc"
};
constexpr size_t kCMapCount = std::size(kPackedCMaps);

std::string Inflate(const char* packed, unsigned size, unsigned unpacked) {
  std::string data(unpacked, '\0');
  uLongf length = unpacked;
  if (uncompress(reinterpret_cast<Bytef*>(data.data()), &length, reinterpret_cast<const Bytef*>(packed), size) != Z_OK)
    return {};
  data.resize(length);
  return data;
}

TOstrelCMap UnpackUnicodeTable(const char* packed, unsigned size, unsigned unpacked) {
  TOstrelCMap map;
  map.LoadFromStream(Inflate(packed, size, unpacked));
  return map;
}

// Every predefined CMap, each unpacked the first time it is asked for.
class TPredefinedCMaps {
 public:
  const TCIDCMap* Find(std::string_view name) {
    auto it = std::find_if(std::begin(kPackedCMaps), std::end(kPackedCMaps),
                           [&](const TPackedCMap& p) { return name == p.Name; });
    return it == std::end(kPackedCMaps) ? nullptr : Get(size_t(it - std::begin(kPackedCMaps)), 0);
  }

 private:
  // depth bounds the chain of bases (two levels in the built-in data).
  const TCIDCMap* Get(size_t index, int depth) {
    std::call_once(once_[index], [&] {
      const TPackedCMap& p = kPackedCMaps[index];
      auto map = std::make_unique<TCIDCMap>();
      map->Name = p.Name;
      map->Ordering = p.Ordering;
      map->WritingMode = p.WritingMode;
      map->Load(Inflate(p.Data, p.Size, p.Unpacked));
      std::string_view base = p.Base;
      for (size_t i = 0; !base.empty() && depth < 4 && i < kCMapCount; ++i)
        if (i != index && base == kPackedCMaps[i].Name) map->Base = Get(i, depth + 1);
      maps_[index] = std::move(map);
    });
    return maps_[index].get();
  }

  std::array<std::once_flag, kCMapCount> once_;
  std::array<std::unique_ptr<TCIDCMap>, kCMapCount> maps_;
};

TPredefinedCMaps& PredefinedCMaps() {
  static TPredefinedCMaps maps;
  return maps;
}

bool IsIdentity(std::string_view name) { return name == "Identity-H" || name == "Identity-V"; }

// The Unicode CMaps ("UniJIS-UCS2-H", "UniGB-UTF16-V", ...) take Unicode
// itself as their codes: a two-byte code is one UTF-16 unit, a four-byte
// one a surrogate pair.
bool IsUnicodeCMap(std::string_view name) {
  return name.starts_with("Uni") &&
         (name.find("-UCS2-") != std::string_view::npos || name.find("-UTF16-") != std::string_view::npos);
}

std::u16string UnicodeCodeText(uint32_t code) {
  if (code <= UINT16_MAX) return std::u16string(1, static_cast<char16_t>(code));
  return {static_cast<char16_t>(code >> 16), static_cast<char16_t>(code & 0xFFFF)};
}

// "Adobe-GB1-5" -> "GB1"; a bare ordering stays as it is.
std::string_view OrderingOf(std::string_view collection) {
  if (!collection.starts_with("Adobe-")) return collection;
  collection.remove_prefix(6);
  return collection.substr(0, collection.find('-'));
}

std::u16string CIDText(std::string_view ordering, uint32_t cid) {
  if (ordering == "Identity") return cid <= UINT16_MAX ? std::u16string(1, static_cast<char16_t>(cid)) : u"";
  const TOstrelCMap* table = CIDUnicodeTable(ordering);
  return table ? table->CodeText(2, cid) : u"";
}

}  // namespace

const TOstrelCMap& Japan1UnicodeTable() {
  static const TOstrelCMap map = UnpackUnicodeTable(kJapan1Unicode, kJapan1UnicodeSize, kJapan1UnicodeUnpacked);
  return map;
}

const TOstrelCMap* CIDUnicodeTable(std::string_view collection) {
  std::string_view ordering = OrderingOf(collection);
  if (ordering == "Japan1") return &Japan1UnicodeTable();
  if (ordering == "GB1") {
    static const TOstrelCMap map = UnpackUnicodeTable(kGB1Unicode, kGB1UnicodeSize, kGB1UnicodeUnpacked);
    return &map;
  }
  if (ordering == "CNS1") {
    static const TOstrelCMap map = UnpackUnicodeTable(kCNS1Unicode, kCNS1UnicodeSize, kCNS1UnicodeUnpacked);
    return &map;
  }
  if (ordering == "Korea1") {
    static const TOstrelCMap map = UnpackUnicodeTable(kKorea1Unicode, kKorea1UnicodeSize, kKorea1UnicodeUnpacked);
    return &map;
  }
  return nullptr;
}

const TCIDCMap* FindPredefinedCMap(std::string_view name) { return PredefinedCMaps().Find(name); }

TOstrelCodeList SplitPredefined(std::string_view cmapName, std::string_view bytes, bool& handled) {
  handled = true;
  TOstrelCodeList codes;
  if (IsIdentity(cmapName)) {
    codes.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      codes.push_back(uint32_t(static_cast<unsigned char>(bytes[i])) << 8 | static_cast<unsigned char>(bytes[i + 1]));
    return codes;
  }
  const TCIDCMap* map = FindPredefinedCMap(cmapName);
  if (!map) {
    handled = false;
    return codes;
  }
  // A last code cut short by the end of the string is dropped.
  for (size_t pos = 0, length; (length = map->CodeLength(bytes, pos)) != 0; pos += length) {
    uint32_t code = 0;
    for (size_t i = 0; i < length; ++i) code = code << 8 | static_cast<unsigned char>(bytes[pos + i]);
    codes.push_back(code);
  }
  return codes;
}

std::u16string PredefinedCodeText(std::string_view cmapName, std::string_view collection, uint32_t code) {
  if (IsIdentity(cmapName)) return CIDText(OrderingOf(collection), code);
  const TCIDCMap* map = FindPredefinedCMap(cmapName);
  if (!map) return {};
  if (IsUnicodeCMap(cmapName)) return UnicodeCodeText(code);
  // The CMap's CIDs belong to its own collection, whatever the font claims.
  uint32_t cid = map->CID(code);
  return cid == 0 ? u"" : CIDText(map->Ordering, cid);
}

uint32_t PredefinedCodeCID(std::string_view cmapName, std::string_view collection, uint32_t code) {
  const TCIDCMap* map = IsIdentity(cmapName) ? nullptr : FindPredefinedCMap(cmapName);
  return map ? map->CID(code) : code;
}

int PredefinedWritingMode(std::string_view cmapName) {
  if (cmapName == "Identity-V") return 1;
  const TCIDCMap* map = IsIdentity(cmapName) ? nullptr : FindPredefinedCMap(cmapName);
  return map ? map->WritingMode : 0;
}

}  // namespace ostrel
