#pragma once
// RunLengthDecode: literal runs (length byte 0..127) and repeats (129..255),
// ended by 128 or the end of the data.
#include <cstddef>
#include <string>
#include <string_view>

#include "pdf/filters/decode_limits.h"

namespace ostrel {

std::string RunLengthDecode(std::string_view data, size_t maxOutput = kMaxDecodedStreamBytes);

}  // namespace ostrel
