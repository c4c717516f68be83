#pragma once
// The BMP file form of a bitmap: 14-byte file header, 40-byte information
// header, 24 bits per pixel, uncompressed, rows bottom-up padded to 4 bytes.
#include <cstdint>
#include <string>

#include "platform/bitmap.h"

namespace ostrel {

// Other pixel formats are converted to 24 bits first. pixelsPerMetre goes
// into both resolution fields (0: unspecified).
std::string EncodeBMP(const Bitmap& bitmap, int32_t pixelsPerMetre = 0);

}  // namespace ostrel
