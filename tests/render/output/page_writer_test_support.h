#pragma once
// Small helpers shared by the page output tests.
#include <cstdint>
#include <string>

#include "platform/bitmap.h"

namespace ostrel::test {

// A 24-bit bitmap; pixel(x, y) gives 0x00RRGGBB.
template <typename F>
Bitmap MakeBitmap(int width, int height, F pixel) {
  Bitmap bitmap(width, height, TPixelFormat::pf24bit);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < width; ++x) {
      uint32_t rgb = pixel(x, y);
      row[3 * x] = rgb & 0xFF;
      row[3 * x + 1] = (rgb >> 8) & 0xFF;
      row[3 * x + 2] = (rgb >> 16) & 0xFF;
    }
  }
  return bitmap;
}

inline uint32_t BE32(const std::string& s, size_t at) {
  return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 | uint32_t(uint8_t(s[at + 2])) << 8 |
         uint8_t(s[at + 3]);
}

inline std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

}  // namespace ostrel::test
