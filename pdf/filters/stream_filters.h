#pragma once
// The stream filters the object model chains when decoding stream data, in
// one include. Each decoder takes the whole encoded bytes and returns the
// whole decoded bytes; none of them throws.
#include <string>
#include <string_view>

#include "pdf/filters/ascii85_filter.h"
#include "pdf/filters/ascii_hex_filter.h"
#include "pdf/filters/flate_filter.h"
#include "pdf/filters/lzw_decompressor.h"
#include "pdf/filters/predictor.h"
#include "pdf/filters/run_length_filter.h"

namespace ostrel {

// ApplyPredictor with the parameters spelled out.
inline std::string ApplyPredictor(std::string_view data, int predictor, int colors,
                                  int bitsPerComponent, int columns) {
  return ApplyPredictor(data, TPDFPredictorParams{predictor, colors, bitsPerComponent, columns});
}

}  // namespace ostrel
