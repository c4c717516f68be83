#pragma once
// Pattern dictionaries (a row of equal-sized patterns) and halftone regions
// (a grid of gray values, each drawing the pattern it selects).
#include <cstdint>
#include <vector>

#include "pdf/filters/jbig2/jbig2_bitmap.h"
#include "pdf/filters/jbig2/jbig2_stream_reader.h"

namespace ostrel {

inline constexpr uint32_t kMaxJBIG2Patterns = uint32_t{1} << 16;

std::vector<TJBIG2BitmapPtr> DecodePatternDictionary(TStreamReader& reader,
                                                     TJBIG2BitmapFactory& factory);

// reader is positioned after the region segment information field.
TJBIG2BitmapPtr DecodeHalftoneRegion(TStreamReader& reader, int width, int height,
                                     const std::vector<TJBIG2BitmapPtr>& patterns,
                                     TJBIG2BitmapFactory& factory);

}  // namespace ostrel
