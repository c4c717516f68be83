#include "pdf/compose/jpeg2000_header.h"

#include <cstdint>

#include "pdf/compose/image_limits.h"

namespace ostrel {

namespace {

constexpr std::string_view kSignatureBox("\0\0\0\x0CjP  \r\n\x87\n", 12);
constexpr std::string_view kCodestreamStart("\xFF\x4F\xFF\x51", 4);  // SOC, then SIZ

uint64_t BigEndian(std::string_view d, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | static_cast<uint8_t>(d[at + i]);
  return v;
}

// The body of the first box of this type among the boxes of data; empty when
// there is none. Boxes whose length runs past the data end the search.
std::string_view FindBox(std::string_view data, std::string_view type) {
  size_t at = 0;
  while (at + 8 <= data.size()) {
    uint64_t length = BigEndian(data, at, 4), header = 8;
    if (length == 1) {  // a 64-bit length follows the type
      if (at + 16 > data.size()) return {};
      length = BigEndian(data, at + 8, 8);
      header = 16;
    } else if (length == 0) {  // the box runs to the end
      length = data.size() - at;
    }
    if (length < header || length > data.size() - at) return {};
    if (data.substr(at + 4, 4) == type) return data.substr(at + header, length - header);
    at += length;
  }
  return {};
}

// The kind of opacity channel a channel definition box names: 1 opacity,
// 2 premultiplied opacity, 0 none. The box holds a count, then channel,
// type and association (2 bytes each) per entry.
int OpacityType(std::string_view cdef) {
  if (cdef.size() < 2) return 0;
  const uint64_t entries = BigEndian(cdef, 0, 2);
  for (uint64_t i = 0; i < entries && 2 + 6 * i + 6 <= cdef.size(); ++i) {
    const uint64_t type = BigEndian(cdef, 2 + 6 * i + 2, 2);
    if (type == 1 || type == 2) return static_cast<int>(type);
  }
  return 0;
}

// Whether the codestream's main header asks for the component transform
// (the first three components are RGB): the COD segment's transform byte.
// Segments are walked from SIZ until the first tile starts.
bool UsesComponentTransform(std::string_view data) {
  size_t at = 2;
  while (at + 4 <= data.size() && static_cast<uint8_t>(data[at]) == 0xFF) {
    const uint8_t marker = static_cast<uint8_t>(data[at + 1]);
    const uint64_t length = BigEndian(data, at + 2, 2);
    if (marker == 0x90 || length < 2) return false;  // a tile begins (SOT), or damage
    if (marker == 0x52) return length >= 10 && at + 8 < data.size() && data[at + 8] == 1;
    at += 2 + length;
  }
  return false;
}

bool Plausible(const TJPEG2000Header& h) {
  return h.Width > 0 && h.Height > 0 && h.Components > 0 && h.Components <= 16384 &&
         uint64_t(h.Width) * uint64_t(h.Height) <= kMaxImagePixels;
}

}  // namespace

bool LooksLikeJPEG2000(std::string_view data) {
  return data.substr(0, kSignatureBox.size()) == kSignatureBox ||
         data.substr(0, kCodestreamStart.size()) == kCodestreamStart;
}

bool ReadJPEG2000Header(std::string_view data, TJPEG2000Header& header) {
  header = TJPEG2000Header();
  if (data.substr(0, kSignatureBox.size()) == kSignatureBox) {
    header.FileFormat = true;
    // ihdr: height, width (4 bytes each), component count (2 bytes), ...
    std::string_view ihdr = FindBox(FindBox(data, "jp2h"), "ihdr");
    if (ihdr.size() < 14 || FindBox(data, "jp2c").empty()) return false;
    uint64_t height = BigEndian(ihdr, 0, 4), width = BigEndian(ihdr, 4, 4);
    if (width > INT32_MAX || height > INT32_MAX) return false;
    header.Height = static_cast<int>(height);
    header.Width = static_cast<int>(width);
    header.Components = static_cast<int>(BigEndian(ihdr, 8, 2));
    const int opacity = OpacityType(FindBox(FindBox(data, "jp2h"), "cdef"));
    header.Alpha = opacity != 0;
    header.Premultiplied = opacity == 2;
    return Plausible(header);
  }
  if (data.substr(0, kCodestreamStart.size()) != kCodestreamStart || data.size() < 44) return false;
  // SIZ after its marker: length, capabilities, then the reference grid's
  // size and the image's offset on it (4 bytes each), tile sizes and
  // offsets, and the component count.
  uint64_t gridWidth = BigEndian(data, 8, 4), gridHeight = BigEndian(data, 12, 4);
  uint64_t left = BigEndian(data, 16, 4), top = BigEndian(data, 20, 4);
  if (left >= gridWidth || top >= gridHeight || gridWidth - left > INT32_MAX || gridHeight - top > INT32_MAX)
    return false;
  header.Width = static_cast<int>(gridWidth - left);
  header.Height = static_cast<int>(gridHeight - top);
  header.Components = static_cast<int>(BigEndian(data, 40, 2));
  // Two components can only be grey and opacity; four without the transform
  // are CMYK, as they always were read.
  header.Alpha = header.Components == 2 || (header.Components == 4 && UsesComponentTransform(data));
  return Plausible(header);
}

}  // namespace ostrel
