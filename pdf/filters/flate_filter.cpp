#include "pdf/filters/flate_filter.h"

#include "platform/zlib_codec.h"

namespace ostrel {

std::string FlateDecode(std::string_view data, size_t maxOutput) {
  return ZlibInflate(data, maxOutput);
}

std::string FlateDecodePredicted(std::string_view data, const TPDFPredictorParams& params,
                                 size_t maxOutput) {
  return ApplyPredictor(ZlibInflate(data, maxOutput), params);
}

std::string FlateEncode(std::string_view data) {
  if (data.empty()) return {};
  return ZlibDeflate(data, Z_DEFAULT_COMPRESSION);
}

}  // namespace ostrel
