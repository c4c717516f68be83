#include "pdf/compose/jpeg_markers.h"

#include <cstdint>

namespace ostrel {

bool ScanJPEGFrame(std::string_view data, TJPEGFrame& frame) {
  frame = TJPEGFrame();
  auto byte = [&](size_t at) -> int { return at < data.size() ? static_cast<uint8_t>(data[at]) : -1; };
  auto word = [&](size_t at) -> int {
    int high = byte(at), low = byte(at + 1);
    return high < 0 || low < 0 ? -1 : high << 8 | low;
  };
  if (byte(0) != 0xFF || byte(1) != 0xD8) return false;
  size_t pos = 2;
  while (pos < data.size()) {
    if (byte(pos++) != 0xFF) return false;
    int code = byte(pos++);
    while (code == 0xFF) code = byte(pos++);  // fill bytes
    if (code < 0) return false;
    if (code >= 0xC0 && code <= 0xC3) {
      // Length and sample precision, then height, width and components.
      frame.Height = word(pos + 3);
      frame.Width = word(pos + 5);
      frame.Components = byte(pos + 7);
      return frame.Width > 0 && frame.Height > 0 && frame.Components > 0;
    }
    if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) continue;  // no length
    int length = word(pos);
    if (length < 2) return false;
    pos += static_cast<size_t>(length);
  }
  return false;
}

}  // namespace ostrel
