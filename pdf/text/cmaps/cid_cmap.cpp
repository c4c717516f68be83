#include "pdf/text/cmaps/cid_cmap.h"

#include <algorithm>

namespace ostrel {
namespace {

// Packed form, every number an unsigned LEB128 varint unless noted:
//   code-space count, then per range: length byte, low, high
//   run count, then per run: length byte, low as the distance from the
//   previous run's high (from 0 when the length changes), high − low, and
//   the first CID as a zigzag-coded difference from the previous run's last
//   CID.
constexpr uint64_t kMaxCodeSpaceRanges = 64;
constexpr uint32_t kMaxCodeBytes = 4;

class TVarintReader {
 public:
  explicit TVarintReader(std::string_view data) : data_(data) {}
  bool Byte(uint32_t& out) {
    if (pos_ >= data_.size()) return false;
    out = static_cast<unsigned char>(data_[pos_++]);
    return true;
  }
  bool Varint(uint64_t& out) {
    out = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      uint32_t b;
      if (!Byte(b)) return false;
      out |= uint64_t(b & 0x7F) << shift;
      if (!(b & 0x80)) return true;
    }
    return false;
  }
  bool Zigzag(int64_t& out) {
    uint64_t v;
    if (!Varint(v)) return false;
    out = static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
    return true;
  }
  size_t Left() const { return data_.size() - pos_; }

 private:
  std::string_view data_;
  size_t pos_ = 0;
};

uint32_t MaxCode(uint32_t bytes) { return bytes >= 4 ? UINT32_MAX : (uint32_t(1) << (8 * bytes)) - 1; }

bool ReadCodeSpace(TVarintReader& in, std::vector<TCodeSpaceRange>& out) {
  uint64_t count;
  if (!in.Varint(count) || count > kMaxCodeSpaceRanges) return false;
  for (uint64_t i = 0; i < count; ++i) {
    uint32_t bytes;
    uint64_t low, high;
    if (!in.Byte(bytes) || !in.Varint(low) || !in.Varint(high)) return false;
    if (bytes < 1 || bytes > kMaxCodeBytes || high > MaxCode(bytes) || low > high) return false;
    out.push_back({static_cast<uint8_t>(bytes), uint32_t(low), uint32_t(high)});
  }
  return true;
}

bool ReadRuns(TVarintReader& in, std::vector<TCIDRun>& out) {
  uint64_t count;
  if (!in.Varint(count) || count > in.Left() / 4) return false;  // a run takes at least four bytes
  out.reserve(count);
  uint32_t prevBytes = 0;
  uint64_t prevHigh = 0;
  int64_t prevCID = 0;
  for (uint64_t i = 0; i < count; ++i) {
    uint32_t bytes;
    uint64_t lowDelta, span;
    int64_t cidDelta;
    if (!in.Byte(bytes) || !in.Varint(lowDelta) || !in.Varint(span) || !in.Zigzag(cidDelta)) return false;
    if (bytes < 1 || bytes > kMaxCodeBytes || lowDelta > UINT32_MAX || span > UINT32_MAX) return false;
    uint64_t low = (bytes == prevBytes ? prevHigh : 0) + lowDelta;
    uint64_t high = low + span;
    int64_t cid = prevCID + cidDelta;
    if (high > MaxCode(bytes) || cid < 0 || cid + int64_t(span) > UINT32_MAX) return false;
    // Runs must ascend without overlapping, so that lookups can bisect.
    if (!out.empty() && low <= out.back().High) return false;
    out.push_back({uint32_t(low), uint32_t(high), uint32_t(cid)});
    prevBytes = bytes;
    prevHigh = high;
    prevCID = cid + int64_t(span);
  }
  return true;
}

// True when the first n bytes at pos lie inside the range byte by byte,
// as code-space ranges are matched.
bool MatchesBytes(const TCodeSpaceRange& r, std::string_view bytes, size_t pos, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    int shift = 8 * (r.Bytes - 1 - int(i));
    unsigned b = static_cast<unsigned char>(bytes[pos + i]);
    if (b < (r.Low >> shift & 0xFF) || b > (r.High >> shift & 0xFF)) return false;
  }
  return true;
}

}  // namespace

bool TCIDCMap::Load(std::string_view packed) {
  codeSpace_.clear();
  runs_.clear();
  TVarintReader in(packed);
  if (ReadCodeSpace(in, codeSpace_) && ReadRuns(in, runs_)) return true;
  codeSpace_.clear();
  runs_.clear();
  return false;
}

const std::vector<TCodeSpaceRange>& TCIDCMap::CodeSpace() const {
  // A vertical CMap shares the code space of the CMap it amends; bases of
  // the built-in maps are one or two levels deep.
  const TCIDCMap* map = this;
  for (int depth = 0; map->codeSpace_.empty() && map->Base && depth < 4; ++depth) map = map->Base;
  return map->codeSpace_;
}

size_t TCIDCMap::CodeLength(std::string_view bytes, size_t pos) const {
  if (pos >= bytes.size()) return 0;
  size_t left = bytes.size() - pos;
  size_t full = 0, partial = 0;
  for (const TCodeSpaceRange& r : CodeSpace()) {
    if (r.Bytes <= left && MatchesBytes(r, bytes, pos, r.Bytes)) {
      if (full == 0 || r.Bytes < full) full = r.Bytes;
    } else if (MatchesBytes(r, bytes, pos, 1)) {
      if (partial == 0 || r.Bytes < partial) partial = r.Bytes;
    }
  }
  size_t length = full ? full : partial ? partial : 1;
  return length <= left ? length : 0;
}

uint32_t TCIDCMap::CID(uint32_t code) const {
  const TCIDCMap* map = this;
  for (int depth = 0; map && depth < 4; ++depth, map = map->Base) {
    auto it = std::upper_bound(map->runs_.begin(), map->runs_.end(), code,
                               [](uint32_t c, const TCIDRun& r) { return c < r.Low; });
    if (it != map->runs_.begin() && code <= std::prev(it)->High) return std::prev(it)->FirstCID + (code - std::prev(it)->Low);
  }
  return 0;
}

}  // namespace ostrel
