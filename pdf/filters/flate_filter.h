#pragma once
// FlateDecode: zlib inflate, optionally followed by a predictor; and the one
// encoder the library writes with.
#include <cstddef>
#include <string>
#include <string_view>

#include "pdf/filters/decode_limits.h"
#include "pdf/filters/predictor.h"

namespace ostrel {

// Inflates a zlib stream. A corrupt or truncated stream keeps the prefix
// decoded before the damage; a stream that is not zlib at all gives "".
std::string FlateDecode(std::string_view data, size_t maxOutput = kMaxDecodedStreamBytes);

// Inflate, then undo the predictor described by `params`.
std::string FlateDecodePredicted(std::string_view data, const TPDFPredictorParams& params,
                                 size_t maxOutput = kMaxDecodedStreamBytes);

// Deflate at zlib's default level; empty input gives "".
std::string FlateEncode(std::string_view data);

}  // namespace ostrel
