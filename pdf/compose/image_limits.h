#pragma once
// Bounds on what an image file may make us allocate. A few bytes of header can
// claim billions of pixels; readers check the claim against these and against
// the data the file really holds before allocating anything.
#include <cstdint>

namespace ostrel {

// Most pixels one imported image (or one GIF screen) may have.
inline constexpr uint64_t kMaxImagePixels = uint64_t{1} << 28;

// Deflate cannot expand data more than about 1032 times, so inflated sizes
// beyond this many bytes per compressed byte cannot be real.
inline constexpr uint64_t kMaxInflateRatio = 1100;

}  // namespace ostrel
