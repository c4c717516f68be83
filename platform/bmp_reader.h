#pragma once
// Reading BMP files into a Bitmap: the device-independent bitmap forms of
// Windows (1, 4 and 8 bits with a palette, 16 bits as 5-5-5 or 5-6-5 or bit
// fields, 24 and 32 bits, run-length-encoded 4- and 8-bit files; rows stored
// bottom-up or top-down).
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/bitmap.h"

namespace ostrel {

// Most pixels a BMP may declare; larger files are refused before allocating.
inline constexpr uint64_t kMaxBmpPixels = uint64_t{1} << 28;

// Palette forms keep their palette (1, 4 and 8 bits); 16-bit and bit-field
// pixels become 24-bit BGR; plain 32-bit pixels, and 32-bit bit-field pixels
// with an alpha mask, become 32-bit BGRA (alpha as stored: many writers leave
// it 0 where they mean opaque). Rows come out top-down. Returns false with a reason in `error` for anything unreadable.
bool ReadBmp(std::string_view file, Bitmap& out, std::string* error = nullptr);

}  // namespace ostrel
