#pragma once
// Generic region decoding (arithmetic templates 0 to 3 with typical
// prediction, or MMR) and generic refinement decoding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/filters/jbig2/jbig2_arithmetic_decoder.h"
#include "pdf/filters/jbig2/jbig2_bitmap.h"

namespace ostrel {

struct TGenericRegionParams {
  int Template = 0;
  bool TypicalPrediction = false;  // TPGDON
  int ATX[4] = {3, -3, 2, -2};
  int ATY[4] = {-1, -1, -2, -2};
  // Pixels set here are not decoded and stay 0 (halftone grid skipping).
  const TJBIG2Bitmap* Skip = nullptr;
};

// Context tables large enough for every generic template.
inline constexpr size_t kGenericContexts = size_t{1} << 16;
inline constexpr size_t kRefinementContexts = size_t{1} << 13;

void DecodeGenericRegion(TJBIG2Bitmap& bitmap, const TGenericRegionParams& params,
                         TArithmeticDecoder& decoder, TArithmeticDecoderStats& stats);

// T.6 coded rows without EOLs; returns the bytes used, including an EOFB.
size_t DecodeGenericRegionMMR(TJBIG2Bitmap& bitmap, std::string_view data);

struct TRefinementParams {
  int Template = 0;
  bool TypicalPrediction = false;  // TPGRON
  int ATX[2] = {-1, -1};
  int ATY[2] = {-1, -1};
  const TJBIG2Bitmap* Reference = nullptr;
  int64_t DX = 0;  // position of the reference relative to the region
  int64_t DY = 0;
};

void DecodeRefinementRegion(TJBIG2Bitmap& bitmap, const TRefinementParams& params,
                            TArithmeticDecoder& decoder, TArithmeticDecoderStats& stats);

}  // namespace ostrel
