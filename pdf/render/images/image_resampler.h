#pragma once
// Brings a decoded picture to the size it covers on the page, one band of
// rows at a time. Each axis has its own filter: an axis drawn smaller than
// its pixels takes the area average of the pixels each target pixel covers
// (a box filter, where a source pixel cut by the target's edge weighs by the
// part inside), so that thin strokes of a scan turn grey instead of
// vanishing and photos do not alias; an axis drawn larger is interpolated
// linearly or keeps its nearest pixel. Opacity weighs the colours it
// averages, so a stencil or masked edge becomes partial coverage.
#include <cstdint>
#include <vector>

#include "platform/bitmap.h"

namespace ostrel {

struct TResampleSource {
  const Bitmap* Picture = nullptr;  // null for a stencil
  const uint8_t* Alpha = nullptr;   // Width x Height opacities; null when opaque
  int Width = 0, Height = 0;
  uint32_t StencilRGB = 0;  // 0x00RRGGBB of a stencil
};

enum class TResampleFilter : uint8_t { Nearest, Box, Linear };

class TImageResampler {
 public:
  // Plans the target of tw x th pixels. False when a size is not positive.
  bool Start(const TResampleSource& src, int tw, int th, TResampleFilter fx, TResampleFilter fy);
  // Target rows j0 .. j1 - 1 into out: 24-bit, or 32-bit with straight
  // alpha when the source has opacity. False when out cannot be allocated.
  bool Rows(int j0, int j1, Bitmap& out);

 private:
  // The source pixels of one target pixel along an axis and their weights.
  // Box: pixels First .. First + Count - 1; the first weighs Weight, the
  // last LastWeight, those between the axis's Unit (a whole pixel).
  // Linear: First and First + 1, the second weighing Weight of 256.
  struct TTap {
    int First = 0, Count = 1;
    uint32_t Weight = 0, LastWeight = 0;
  };
  struct TAxisPlan {
    TResampleFilter Filter = TResampleFilter::Nearest;
    std::vector<TTap> Taps;
    uint32_t Unit = 1;   // box: weight of a whole source pixel
    uint64_t Total = 1;  // what the weights of one target pixel add up to
  };
  static void PlanAxis(int side, int target, TResampleFilter filter, TAxisPlan& plan);
  void ExpandRow(int y);
  const uint64_t* ReducedRow(int y);
  void ReduceBilevelRow(int y);
  void ReduceColourRow(int y);
  void StoreRow(uint64_t* sums, uint8_t* out) const;

  TResampleSource src_;
  int tw_ = 0, th_ = 0;
  TAxisPlan x_, y_;
  std::vector<uint32_t> row_;      // one source row as 0xAARRGGBB
  std::vector<uint64_t> reduced_;  // that row brought to tw_ columns: alpha-weighted R, G, B and alpha
  int reducedY_ = -1;              // which source row reduced_ holds
  std::vector<uint8_t> padded_;    // a 1-bit row with room for a last 64-bit load
};

}  // namespace ostrel
