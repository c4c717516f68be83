#include "pdf/compose/jpeg_markers.h"

#include <cstdint>
#include <map>

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

int ExifOrientation(std::string_view tiff) {
  if (tiff.size() < 8) return 1;
  const bool little = tiff.substr(0, 2) == "II";
  if (!little && tiff.substr(0, 2) != "MM") return 1;
  auto number = [&](size_t at, int bytes) -> uint32_t {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
      uint32_t b = static_cast<uint8_t>(tiff[at + (little ? bytes - 1 - i : i)]);
      v = v << 8 | b;
    }
    return v;
  };
  if (number(2, 2) != 42) return 1;
  const uint64_t ifd = number(4, 4);
  if (ifd + 2 > tiff.size()) return 1;
  const uint32_t entries = number(ifd, 2);
  for (uint32_t i = 0; i < entries; ++i) {
    const uint64_t at = ifd + 2 + uint64_t{i} * 12;
    if (at + 12 > tiff.size()) break;
    if (number(at, 2) != 0x0112) continue;
    // A SHORT, one value, held in the first two bytes of the value field.
    if (number(at + 2, 2) != 3 || number(at + 4, 4) != 1) return 1;
    uint32_t value = number(at + 8, 2);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}

TJPEGMetadata ScanJPEGMetadata(std::string_view data) {
  TJPEGMetadata meta;
  auto byte = [&](size_t at) -> int { return at < data.size() ? static_cast<uint8_t>(data[at]) : -1; };
  if (byte(0) != 0xFF || byte(1) != 0xD8) return meta;
  constexpr std::string_view kExif("Exif\0\0", 6), kICC("ICC_PROFILE\0", 12);
  std::map<int, std::string_view> chunks;
  int chunkCount = 0;
  bool chunksBad = false, exifSeen = false;
  size_t pos = 2;
  while (pos + 4 <= data.size()) {
    if (byte(pos++) != 0xFF) break;
    int code = byte(pos++);
    while (code == 0xFF) code = byte(pos++);
    if (code < 0 || code == 0xDA || code == 0xD9) break;  // the scan: no metadata follows
    if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) continue;
    int length = byte(pos) << 8 | byte(pos + 1);
    if (byte(pos + 1) < 0 || length < 2 || pos + length > data.size()) break;
    std::string_view body = data.substr(pos + 2, size_t(length) - 2);
    pos += size_t(length);
    if (code == 0xE1 && !exifSeen && body.substr(0, kExif.size()) == kExif) {
      exifSeen = true;  // only the first Exif segment counts
      meta.Orientation = ExifOrientation(body.substr(kExif.size()));
    } else if (code == 0xE2 && body.size() > kICC.size() + 2 && body.substr(0, kICC.size()) == kICC) {
      int sequence = static_cast<uint8_t>(body[kICC.size()]), count = static_cast<uint8_t>(body[kICC.size() + 1]);
      if (chunkCount == 0) chunkCount = count;
      if (sequence < 1 || sequence > count || count != chunkCount || chunks.count(sequence)) chunksBad = true;
      chunks[sequence] = body.substr(kICC.size() + 2);
    }
  }
  if (!chunksBad && chunkCount > 0 && int(chunks.size()) == chunkCount) {
    for (const auto& [sequence, chunk] : chunks) meta.ICCProfile.append(chunk);
  }
  return meta;
}

}  // namespace ostrel
