#pragma once
// Glyph widths of a composite font by CID: a default width and ranges of
// CIDs sharing one width. Ranges keep a "first CID last width" entry of a /W
// array as one element however many CIDs it spans.
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>

namespace ostrel {

// A width or metric rounded half to even; NaN gives 0 and values beyond
// ±1e9 are clamped first, so the conversion is always defined.
int32_t RoundMetric(double value);

class TPDFCIDWidths {
 public:
  int32_t Default = 1000;

  // Gives the CIDs first..last the width, except those an earlier range
  // already covers (the first definition of a CID wins). first > last adds
  // nothing.
  void AddRange(uint32_t first, uint32_t last, int32_t width);
  // The width of cid: its range's width, else Default.
  int32_t Width(uint32_t cid) const;
  // True when a range covers cid.
  bool Has(uint32_t cid) const;
  size_t RangeCount() const { return ranges_.size(); }
  void Clear() { ranges_.clear(); }

 private:
  // first CID -> (last CID, width); the ranges never overlap.
  std::map<uint32_t, std::pair<uint32_t, int32_t>> ranges_;
  const std::pair<uint32_t, int32_t>* Find(uint32_t cid) const;
};

// Adds the built-in widths of the non-embedded Japanese font
// "HeiseiKakuGo-W5" (groups of 256 CIDs; a zero width is no entry).
void AddHeiseiKakuGoW5Widths(TPDFCIDWidths& widths);

}  // namespace ostrel
