// Inflate followed by a predictor whose parameters come from the first bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/filters/flate_filter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  ostrel::TPDFPredictorParams p;
  p.Predictor = data[0] % 16;
  p.Colors = data[1] % 34;
  p.BitsPerComponent = data[2] % 18;
  p.Columns = static_cast<int8_t>(data[3]) * 37;
  std::string_view body(reinterpret_cast<const char*>(data) + 4, size - 4);
  ostrel::FlateDecodePredicted(body, p, 1 << 24);
  ostrel::ApplyPredictor(body, p);
  return 0;
}
