#include "pdf/text/cmaps/cid_widths.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

int32_t RoundMetric(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLimit = 1e9;
  return static_cast<int32_t>(std::nearbyint(std::clamp(value, -kLimit, kLimit)));
}

void TPDFCIDWidths::AddRange(uint32_t first, uint32_t last, int32_t width) {
  if (first > last) return;
  uint64_t cur = first;
  auto it = ranges_.upper_bound(first);
  if (it != ranges_.begin()) {
    auto before = std::prev(it);
    if (before->second.first >= first) cur = uint64_t(before->second.first) + 1;
  }
  // Fill the gaps between the ranges already present, left to right.
  while (cur <= last) {
    if (it != ranges_.end() && it->first <= cur) {
      cur = uint64_t(it->second.first) + 1;
      ++it;
      continue;
    }
    uint64_t gapEnd = (it == ranges_.end() || it->first > last) ? last : uint64_t(it->first) - 1;
    ranges_.emplace_hint(it, static_cast<uint32_t>(cur), std::make_pair(static_cast<uint32_t>(gapEnd), width));
    cur = gapEnd + 1;
  }
}

const std::pair<uint32_t, int32_t>* TPDFCIDWidths::Find(uint32_t cid) const {
  auto it = ranges_.upper_bound(cid);
  if (it == ranges_.begin()) return nullptr;
  --it;
  return it->second.first >= cid ? &it->second : nullptr;
}

int32_t TPDFCIDWidths::Width(uint32_t cid) const {
  const auto* r = Find(cid);
  return r ? r->second : Default;
}

namespace {

struct THeiseiGroup {
  int High;
  uint16_t Widths[256];
};

constexpr THeiseiGroup kHeiseiKakuGoW5[] = {
#include "data/heisei_kakugo_w5.inc"
};

}  // namespace

void AddHeiseiKakuGoW5Widths(TPDFCIDWidths& widths) {
  for (const THeiseiGroup& g : kHeiseiKakuGoW5)
    for (uint32_t low = 0; low < 256; ++low)
      if (g.Widths[low] != 0) widths.AddRange(g.High * 256 + low, g.High * 256 + low, g.Widths[low]);
}

bool TPDFCIDWidths::Has(uint32_t cid) const { return Find(cid) != nullptr; }

}  // namespace ostrel
