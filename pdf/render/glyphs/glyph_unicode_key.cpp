// The "U+" glyph keys of characters.
#include <cstdio>

#include "pdf/render/glyphs/glyph_rasterizer.h"

namespace ostrel {

std::string UnicodeGlyphKey(std::u16string_view text) {
  if (text.empty()) return {};
  uint32_t c = text[0];
  if (c >= 0xD800 && c < 0xDC00 && text.size() > 1 && text[1] >= 0xDC00 && text[1] < 0xE000)
    c = 0x10000 + ((c - 0xD800) << 10) + (text[1] - 0xDC00);
  char key[16];
  std::snprintf(key, sizeof key, "U+%04X", unsigned(c));
  return key;
}

}  // namespace ostrel
