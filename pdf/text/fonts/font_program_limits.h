#pragma once
// Bounds shared by the font-program readers and the glyph translators.
#include <cstddef>

namespace ostrel {

// One nesting limit for everything that makes a glyph out of other glyphs or
// subprograms: composite TrueType components, charstring subroutine calls
// and accented (seac) glyphs. A program that includes itself stops here.
inline constexpr int kMaxGlyphNesting = 20;

// A glyph program longer than this is runaway output of a looping program.
inline constexpr size_t kMaxGlyphProgramEntries = 65536;

}  // namespace ostrel

#include <cmath>
#include <cstdint>

namespace ostrel {

// A number from a font program as an integer: NaN gives 0 and values beyond
// +-2^31 are clamped, so arithmetic in charstrings cannot reach undefined
// conversions.
inline int64_t FontProgramInteger(double v) {
  if (!(v == v)) return 0;
  if (v > 2147483647.0) return 2147483647;
  if (v < -2147483648.0) return -2147483648LL;
  return static_cast<int64_t>(v);
}

}  // namespace ostrel
