#pragma once
// Vertical metrics of a CID font, for text set top to bottom: each CID's
// vertical advance and the position of its vertical origin relative to the
// horizontal one (/W2), with defaults from /DW2.
#include <cstddef>
#include <cstdint>
#include <map>

namespace ostrel {

// In thousandths of text space. W1y is negative: the pen moves down.
struct TVerticalMetric {
  double W1y = -1000;
  double Vx = 0;  // from the horizontal origin to the vertical one
  double Vy = 880;
};

class TPDFCIDVerticalMetrics {
 public:
  double DefaultVy = 880;
  double DefaultW1y = -1000;

  // Gives the CIDs first..last one metric; the first definition of a CID
  // wins. first > last adds nothing.
  void AddRange(uint32_t first, uint32_t last, double w1y, double vx, double vy);
  // The metric of cid; without an entry, v_x is half the horizontal width.
  TVerticalMetric Metric(uint32_t cid, double horizontalWidth) const;
  size_t RangeCount() const { return ranges_.size(); }

 private:
  struct TRange {
    uint32_t Last;
    TVerticalMetric Metric;
  };
  std::map<uint32_t, TRange> ranges_;  // by first CID; never overlapping
  const TRange* Find(uint32_t cid) const;
};

}  // namespace ostrel
