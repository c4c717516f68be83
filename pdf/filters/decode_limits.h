#pragma once
// Bounds on what one decoder may produce. A small hostile stream can claim to
// expand to gigabytes; decoders stop at the bound and keep what they made.
#include <cstddef>

namespace ostrel {

inline constexpr size_t kMaxDecodedStreamBytes = size_t{1} << 30;

}  // namespace ostrel
