#include "pdf/text/cmaps/ostrel_cmap.h"

#include <algorithm>

namespace ostrel {
namespace {

// Limits of the binary map format; a section beyond them is unreadable.
constexpr uint32_t kMaxKind = 4;
constexpr uint32_t kMaxWidth = 64;
constexpr uint32_t kMaxEntries = 65535;

class TByteReader {
 public:
  explicit TByteReader(std::string_view data) : data_(data) {}
  // Reads a little-endian unsigned integer of 1 to 4 bytes.
  bool Read(size_t bytes, uint32_t& value) {
    if (data_.size() - pos_ < bytes) return false;
    value = 0;
    for (size_t i = 0; i < bytes; ++i) value |= uint32_t(static_cast<unsigned char>(data_[pos_ + i])) << (8 * i);
    pos_ += bytes;
    return true;
  }
  bool Take(size_t bytes, std::string& out) {
    if (data_.size() - pos_ < bytes) return false;
    out.assign(data_.substr(pos_, bytes));
    pos_ += bytes;
    return true;
  }

 private:
  std::string_view data_;
  size_t pos_ = 0;
};

bool ReadEntries(TByteReader& in, TOstrelCMapSection& section);

// Reads one section; on failure the section is left empty.
bool ReadSection(TByteReader& in, TOstrelCMapSection& section) {
  if (ReadEntries(in, section)) return true;
  section.Keys.clear();
  section.Data.clear();
  return false;
}

bool ReadEntries(TByteReader& in, TOstrelCMapSection& section) {
  uint32_t count = 0;
  if (!in.Read(4, section.Kind) || !in.Read(4, section.Width) || !in.Read(4, count)) return false;
  if (section.Kind > kMaxKind || section.Width > kMaxWidth || count > kMaxEntries) {
    // The entries cannot be skipped safely: the section stays empty and
    // nothing after it is trusted.
    section.Kind = section.Width = 0;
    return false;
  }
  size_t keyBytes = section.Kind == 1 ? 1 : section.Kind == 2 ? 2 : 4;
  section.Keys.reserve(count);
  uint64_t key = 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t delta = 0;
    if (!in.Read(keyBytes, delta)) return false;
    key += delta;
    if (key > UINT32_MAX) return false;
    section.Keys.push_back(static_cast<uint32_t>(key));
  }
  return in.Take(size_t(count) * section.Width, section.Data);
}

}  // namespace

long TOstrelCMapSection::IndexOf(uint32_t code) const {
  auto it = std::lower_bound(Keys.begin(), Keys.end(), code);
  return it != Keys.end() && *it == code ? static_cast<long>(it - Keys.begin()) : -1;
}

void TOstrelCMap::AddMapping(uint32_t kind, uint32_t code, std::string_view destination) {
  auto section = std::find_if(Sections.begin(), Sections.end(), [&](const TOstrelCMapSection& s) {
    return s.Kind == kind && s.Width == destination.size();
  });
  if (section == Sections.end()) {
    Sections.emplace_back();
    section = Sections.end() - 1;
    section->Kind = kind;
    section->Width = static_cast<uint32_t>(destination.size());
  }
  auto at = std::upper_bound(section->Keys.begin(), section->Keys.end(), code);
  size_t index = at - section->Keys.begin();
  section->Keys.insert(at, code);
  section->Data.insert(index * section->Width, destination);
}

const TOstrelCMapSection* TOstrelCMap::FindSection(uint32_t kind, uint32_t code, long& index) const {
  for (const TOstrelCMapSection& s : Sections) {
    if (kind != 0 && s.Kind != kind) continue;
    index = s.IndexOf(code);
    if (index >= 0) return &s;
  }
  return nullptr;
}

bool TOstrelCMap::HasCode(uint32_t kind, uint32_t code) const {
  if (Identity) return true;
  if (kind == 0) return false;
  long index;
  return FindSection(kind, code, index) != nullptr;
}

bool TOstrelCMap::CodeBytes(uint32_t kind, uint32_t code, std::string& out) const {
  out.clear();
  if (Identity) {
    if (kind != 2) return false;
    out.push_back(static_cast<char>(code >> 8 & 0xFF));
    out.push_back(static_cast<char>(code & 0xFF));
    return true;
  }
  if (kind == 0) return false;
  long index;
  const TOstrelCMapSection* s = FindSection(kind, code, index);
  if (!s) s = FindSection(kind, 32, index);  // unknown characters show as spaces
  if (!s) return false;
  out.assign(s->Destination(index));
  return true;
}

uint16_t TOstrelCMap::CodeValue(uint32_t kind, uint32_t code) const {
  long index;
  const TOstrelCMapSection* s = FindSection(kind, code, index);
  if (!s) return 0;
  std::string_view d = s->Destination(index);
  if (s->Width == 1) return static_cast<unsigned char>(d[0]);
  if (s->Width == 2) return static_cast<uint16_t>(static_cast<unsigned char>(d[0]) << 8 | static_cast<unsigned char>(d[1]));
  return 0;
}

std::u16string TOstrelCMap::CodeText(uint32_t kind, uint32_t code) const {
  if (kind == 0) return {};
  long index;
  const TOstrelCMapSection* s = FindSection(kind, code, index);
  if (!s) return {};
  std::string_view d = s->Destination(index);
  if (s->Width == 1) return std::u16string(1, static_cast<char16_t>(static_cast<unsigned char>(d[0])));
  std::u16string text;
  for (size_t i = 0; i + 1 < d.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(d[i]) << 8 | static_cast<unsigned char>(d[i + 1])));
  return text;
}

bool TOstrelCMap::LoadFromStream(std::string_view data) {
  Sections.clear();
  TByteReader in(data);
  uint32_t count = 0;
  if (!in.Read(4, count)) return false;
  // Every section needs a 12-byte header, so the data bounds the loop.
  for (uint32_t i = 0; i < count; ++i) {
    TOstrelCMapSection section;
    bool ok = ReadSection(in, section);
    Sections.push_back(std::move(section));
    if (!ok) return false;
  }
  return true;
}

}  // namespace ostrel
