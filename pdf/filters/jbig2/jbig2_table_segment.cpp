#include "pdf/filters/jbig2/jbig2_table_segment.h"

#include <limits>

namespace ostrel {
namespace {

// Far more lines than any sensible code needs, and few enough that a
// hostile segment cannot make a large table from a small one.
constexpr size_t kMaxTableLines = size_t{1} << 16;

int ReadLength(TStreamReader& reader, int bits) {
  if (reader.RemainingBits() < static_cast<uint64_t>(bits)) throw EJBIG2Error("table segment too short");
  return static_cast<int>(reader.ReadBits(bits));
}

}  // namespace

std::shared_ptr<const THuffmanTable> DecodeTableSegment(TStreamReader& reader) {
  uint32_t flags = reader.ReadByte();
  const bool hasOutOfBand = flags & 1;
  const int prefixBits = static_cast<int>(flags >> 1 & 7) + 1;
  const int rangeBits = static_cast<int>(flags >> 4 & 7) + 1;
  const int32_t low = reader.ReadSigned32();
  const int32_t high = reader.ReadSigned32();
  // The lower range line starts one below the lowest value.
  if (low >= high || low == std::numeric_limits<int32_t>::min()) throw EJBIG2Error("bad table segment");

  std::vector<THuffmanLine> lines;
  for (int64_t current = low; current < high;) {
    if (lines.size() >= kMaxTableLines) throw EJBIG2Error("table segment too large");
    int prefixLength = ReadLength(reader, prefixBits);
    int rangeLength = ReadLength(reader, rangeBits);
    if (rangeLength > 32) throw EJBIG2Error("bad table segment");
    lines.push_back({static_cast<int32_t>(current), prefixLength, rangeLength});
    current += int64_t{1} << rangeLength;
  }
  lines.push_back({low - 1, ReadLength(reader, prefixBits), 32, THuffmanLine::Lower});
  lines.push_back({high, ReadLength(reader, prefixBits), 32, THuffmanLine::Upper});
  if (hasOutOfBand) lines.push_back({0, ReadLength(reader, prefixBits), 0, THuffmanLine::OutOfBand});
  return std::make_shared<const THuffmanTable>(std::move(lines));
}

const THuffmanTable* TUserTables::Next() {
  if (next_ >= tables_.size()) throw EJBIG2Error("missing user-supplied Huffman table");
  return tables_[next_++];
}

const THuffmanTable* SelectTable(uint32_t flags, const TTableChoice& choice, TUserTables& user) {
  uint32_t value = flags >> choice.Shift & ((1u << choice.Width) - 1);
  int table = choice.Tables[value];
  if (table == kUserTable) return user.Next();
  if (table == 0) throw EJBIG2Error("bad Huffman table selection");
  return &THuffmanTable::Standard(table);
}

}  // namespace ostrel
