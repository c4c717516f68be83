#pragma once
// Brings a decoded picture to the size it covers on the page, one band of
// rows at a time. Each axis has its own filter: an axis drawn smaller than
// its pixels takes the mean of the pixels each target pixel covers (a box
// filter), so that thin strokes of a scan turn grey instead of vanishing and
// photos do not alias; an axis drawn larger is interpolated linearly or
// keeps its nearest pixel. Opacity weighs the colours it averages, so a
// stencil or masked edge becomes partial coverage.
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
  struct TTap {  // source range or pair of one target column
    int First = 0, Count = 1;  // box: [First, First + Count)
    uint32_t Weight = 0;       // linear: share of First + 1, of 256
  };
  void ExpandRow(int y);
  void AddRow(int y, uint32_t weight);
  void AddBilevelRow(int y, uint32_t weight);
  void StoreRow(uint64_t rowWeight, uint8_t* out) const;
  void TapsOf(int side, int target, TResampleFilter filter, std::vector<TTap>& taps) const;

  TResampleSource src_;
  int tw_ = 0, th_ = 0;
  TResampleFilter fx_ = TResampleFilter::Nearest, fy_ = TResampleFilter::Nearest;
  std::vector<TTap> xTaps_, yTaps_;
  std::vector<uint32_t> row_;  // one source row as 0xAARRGGBB
  int rowY_ = -1;              // which row row_ holds
  std::vector<uint64_t> sums_;  // per target column: alpha-weighted R, G, B and alpha
};

}  // namespace ostrel
