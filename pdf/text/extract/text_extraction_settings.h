#pragma once
// How the laid-out text modes join and order the pieces of shown text. The
// facade hands its record unchanged to every page text extraction; only the
// layout modes read it.
#include <cstdint>

namespace ostrel {

struct TTextExtractionSettings {
  // Scales the gap below which joined pieces get no space between them.
  double WordGapFactor = 0.7;
  uint8_t IgnoreFontName = 0;   // pieces of different fonts may join
  uint8_t IgnoreColorText = 0;  // pieces of different colours may join
  uint8_t IgnoreMatrix = 0;     // pieces with different matrices may join
  uint8_t SortByPosition = 0;   // list and line output top to bottom, then left to right
  uint8_t UseArea = 0;          // collect only pieces that start inside the area
  // The area in user space, y upwards: AreaLeft .. AreaLeft + AreaWidth and
  // AreaTop - AreaHeight .. AreaTop.
  double AreaLeft = 0, AreaTop = 0, AreaWidth = 0, AreaHeight = 0;
  uint8_t CMYKColorText = 0;  // text painted in DeviceCMYK reports C, M, Y and K
};

}  // namespace ostrel
