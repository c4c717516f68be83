#pragma once
// Pixel probes for the painting tests: a page of 100 x 100 points at 72 dpi
// and the colours expected at chosen pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/render/content/render_fixture.h"

namespace ostrel::test {

struct Probe {
  int x, y;       // device pixel on a 100 x 100 page at 72 dpi
  uint32_t rgb;   // expected 0xRRGGBB
  int tolerance;  // per channel
};

inline void ExpectNear(const Bitmap& b, const Probe& p, const std::string& what) {
  uint32_t got = Pixel(b, p.x, p.y);
  for (int shift : {16, 8, 0}) {
    int g = (got >> shift) & 0xFF, e = (p.rgb >> shift) & 0xFF;
    EXPECT_LE(std::abs(g - e), p.tolerance) << what << " at " << p.x << "," << p.y << std::hex << ": got " << got
                                            << " want " << p.rgb;
  }
}

// A mesh stream of 8-bit values: each vertex or patch is a list of bytes.
inline std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

}  // namespace ostrel::test
