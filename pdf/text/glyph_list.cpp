#include "pdf/text/glyph_list.h"

#include <algorithm>
#include <iterator>

namespace ostrel {
namespace {

struct GlyphEntry {
  const char* Name;
  char16_t Code;
};

// Sorted by name byte for byte, so a binary search finds any name.
constexpr GlyphEntry kGlyphList[] = {
#include "data/glyph_list.inc"
};

}  // namespace

char16_t GlyphNameToUnicode(std::string_view name) {
  if (name.empty() || name[0] < 'A' || name[0] > 'z') return 0;
  auto it = std::lower_bound(std::begin(kGlyphList), std::end(kGlyphList), name,
                             [](const GlyphEntry& e, std::string_view n) { return std::string_view(e.Name) < n; });
  return it != std::end(kGlyphList) && it->Name == name ? it->Code : 0;
}

}  // namespace ostrel
