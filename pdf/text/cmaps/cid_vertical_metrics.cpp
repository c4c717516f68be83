#include "pdf/text/cmaps/cid_vertical_metrics.h"

namespace ostrel {

const TPDFCIDVerticalMetrics::TRange* TPDFCIDVerticalMetrics::Find(uint32_t cid) const {
  auto it = ranges_.upper_bound(cid);
  if (it == ranges_.begin()) return nullptr;
  --it;
  return it->second.Last >= cid ? &it->second : nullptr;
}

void TPDFCIDVerticalMetrics::AddRange(uint32_t first, uint32_t last, double w1y, double vx, double vy) {
  if (first > last) return;
  // A range that overlaps one already given is dropped whole: /W2 arrays
  // that define a CID twice are damaged, and the first definition wins.
  auto next = ranges_.lower_bound(first);
  if (Find(first) || (next != ranges_.end() && next->first <= last)) return;
  ranges_.emplace_hint(next, first, TRange{last, {w1y, vx, vy}});
}

TVerticalMetric TPDFCIDVerticalMetrics::Metric(uint32_t cid, double horizontalWidth) const {
  if (const TRange* r = Find(cid)) return r->Metric;
  return {DefaultW1y, horizontalWidth / 2, DefaultVy};
}

}  // namespace ostrel
