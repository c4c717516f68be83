#include "pdf/render/output/bmp_writer.h"

#include <cstring>
#include <stdexcept>

namespace ostrel {

namespace {

void PutLE16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void PutLE32(std::string& out, uint32_t v) {
  PutLE16(out, v & 0xFFFF);
  PutLE16(out, v >> 16);
}

}  // namespace

std::string EncodeBMP(const Bitmap& source, int32_t pixelsPerMetre) {
  Bitmap converted;
  const Bitmap* bitmap = &source.In24Bits(converted);
  const int width = bitmap->Width();
  const int height = bitmap->Height();
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  const size_t stride = (rowBytes + 3) & ~size_t{3};
  const uint64_t imageSize = static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);
  // The file size field is 32 bits wide.
  if (imageSize > 0xFFFFFFFFull - 54) throw std::length_error("bitmap too large for BMP");

  std::string out;
  out.reserve(54 + imageSize);
  out += "BM";
  PutLE32(out, static_cast<uint32_t>(54 + imageSize));
  PutLE32(out, 0);   // reserved
  PutLE32(out, 54);  // offset of the pixels
  PutLE32(out, 40);
  PutLE32(out, static_cast<uint32_t>(width));
  PutLE32(out, static_cast<uint32_t>(height));  // positive: rows bottom-up
  PutLE16(out, 1);                              // planes
  PutLE16(out, 24);
  PutLE32(out, 0);  // no compression
  PutLE32(out, static_cast<uint32_t>(imageSize));
  PutLE32(out, static_cast<uint32_t>(pixelsPerMetre));
  PutLE32(out, static_cast<uint32_t>(pixelsPerMetre));
  PutLE32(out, 0);  // colours used
  PutLE32(out, 0);  // colours important
  const size_t header = out.size();
  out.resize(header + imageSize, '\0');
  char* pixels = out.data() + header;
  for (int y = 0; y < height; ++y) {
    std::memcpy(pixels + static_cast<size_t>(height - 1 - y) * stride, bitmap->Row(y), rowBytes);
  }
  return out;
}

}  // namespace ostrel
