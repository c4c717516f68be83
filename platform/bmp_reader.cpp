#include "platform/bmp_reader.h"

#include <algorithm>
#include <cstring>

namespace ostrel {

namespace {

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3, kBiAlphaBitFields = 6 };

uint32_t U16(std::string_view d, size_t at) {
  return at + 2 <= d.size() ? uint32_t{uint8_t(d[at])} | uint32_t{uint8_t(d[at + 1])} << 8 : 0;
}
uint32_t U32(std::string_view d, size_t at) { return at + 4 <= d.size() ? U16(d, at) | U16(d, at + 2) << 16 : 0; }

bool Fail(std::string* error, const char* reason) {
  if (error) *error = reason;
  return false;
}

struct Header {
  int64_t Width = 0;
  int64_t Height = 0;  // negative: rows stored top-down
  uint32_t Bits = 0;
  uint32_t Compression = kBiRgb;
  uint32_t Masks[3] = {0, 0, 0};
  uint32_t AlphaMask = 0;  // bit-field pixels only; 0 when the file declares none
  size_t PaletteAt = 0;
  size_t PaletteEntrySize = 4;
  uint32_t PaletteCount = 0;
  size_t DataAt = 0;
};

bool ReadHeader(std::string_view d, Header& h, std::string* error) {
  if (d.size() < 26 || d[0] != 'B' || d[1] != 'M') return Fail(error, "not a BMP file");
  uint32_t headerSize = U32(d, 14);
  h.DataAt = U32(d, 10);
  if (headerSize == 12) {  // the OS/2 core header: 16-bit sizes, 3-byte palette entries
    h.Width = U16(d, 18);
    h.Height = U16(d, 20);
    h.Bits = U16(d, 24);
    h.PaletteEntrySize = 3;
  } else if (headerSize >= 40 && headerSize <= 1024 && d.size() >= 14 + size_t{headerSize}) {
    h.Width = static_cast<int32_t>(U32(d, 18));
    h.Height = static_cast<int32_t>(U32(d, 22));
    h.Bits = U16(d, 28);
    h.Compression = U32(d, 30);
    h.PaletteCount = U32(d, 46);
  } else {
    return Fail(error, "unknown BMP header");
  }
  h.PaletteAt = 14 + size_t{headerSize};
  if (h.Compression == kBiBitFields || h.Compression == kBiAlphaBitFields) {
    // Version 1 headers keep the masks after the header, later ones inside it.
    for (int i = 0; i < 3; ++i) h.Masks[i] = U32(d, 54 + 4 * i);
    // The alpha mask follows the colour masks, inside version 3+ headers or
    // after a version 1 header of an alpha bit-field file.
    if (headerSize >= 56 || h.Compression == kBiAlphaBitFields) h.AlphaMask = U32(d, 66);
    if (headerSize == 40) h.PaletteAt += h.Compression == kBiBitFields ? 12 : 16;
  } else if (h.Bits == 16) {
    h.Masks[0] = 0x7C00, h.Masks[1] = 0x03E0, h.Masks[2] = 0x001F;
  }
  if (h.Bits <= 8) {
    uint32_t full = 1u << h.Bits;
    if (h.PaletteCount == 0 || h.PaletteCount > full) h.PaletteCount = full;
  } else {
    h.PaletteCount = 0;
  }
  return true;
}

bool ValidFormat(const Header& h) {
  switch (h.Compression) {
    case kBiRgb: return h.Bits == 1 || h.Bits == 4 || h.Bits == 8 || h.Bits == 16 || h.Bits == 24 || h.Bits == 32;
    case kBiRle8: return h.Bits == 8;
    case kBiRle4: return h.Bits == 4;
    case kBiBitFields:
    case kBiAlphaBitFields: return h.Bits == 16 || h.Bits == 32;
  }
  return false;
}

// One colour channel of a bit-field pixel, scaled to 0..255.
uint8_t Channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = __builtin_ctz(mask);
  uint64_t max = mask >> shift;
  return static_cast<uint8_t>(uint64_t{(pixel & mask) >> shift} * 255 / max);
}

// Run-length data, bottom-up. Pixels that no run reaches stay index 0.
void DecodeRle(std::string_view data, bool fourBit, Bitmap& out) {
  int width = out.Width(), height = out.Height();
  int x = 0, row = 0;  // row counts from the bottom
  auto put = [&](uint8_t index) {
    if (x < width && row < height) {
      uint8_t* line = out.Row(height - 1 - row);
      if (fourBit) {
        uint8_t& b = line[x >> 1];
        b = (x & 1) ? (b & 0xF0) | (index & 15) : (b & 0x0F) | uint8_t(index << 4);
      } else {
        line[x] = index;
      }
    }
    ++x;
  };
  size_t p = 0;
  while (p + 2 <= data.size() && row < height) {
    uint8_t count = data[p], value = data[p + 1];
    p += 2;
    if (count > 0) {
      for (int i = 0; i < count && x < width; ++i) put(fourBit ? ((i & 1) ? value & 15 : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // move right and up
      if (p + 2 > data.size()) return;
      x += uint8_t(data[p]);
      row += uint8_t(data[p + 1]);
      p += 2;
    } else {  // a literal run of `value` pixels, padded to 16 bits
      size_t bytes = fourBit ? (value + 1) / 2 : value;
      for (int i = 0; i < value && p + i / (fourBit ? 2 : 1) < data.size(); ++i) {
        uint8_t b = data[p + (fourBit ? i / 2 : i)];
        put(fourBit ? ((i & 1) ? b & 15 : b >> 4) : b);
      }
      p += (bytes + 1) & ~size_t{1};
    }
  }
}

void CopyRows(std::string_view data, size_t stride, bool topDown, Bitmap& out) {
  size_t copy = std::min(stride, out.Stride());
  for (int y = 0; y < out.Height(); ++y) {
    size_t at = static_cast<size_t>(y) * stride;
    size_t n = at < data.size() ? std::min(copy, data.size() - at) : 0;
    std::memcpy(out.Row(topDown ? y : out.Height() - 1 - y), data.data() + at, n);
  }
}

void ConvertBitFields(std::string_view data, size_t stride, bool topDown, const Header& h, Bitmap& out) {
  size_t bytesPerPixel = h.Bits / 8;
  for (int y = 0; y < out.Height(); ++y) {
    size_t at = static_cast<size_t>(y) * stride;
    uint8_t* dst = out.Row(topDown ? y : out.Height() - 1 - y);
    const size_t step = out.PixelFormat() == TPixelFormat::pf32bit ? 4 : 3;
    for (int x = 0; x < out.Width(); ++x, at += bytesPerPixel, dst += step) {
      if (at + bytesPerPixel > data.size()) return;
      uint32_t pixel = bytesPerPixel == 2 ? U16(data, at) : U32(data, at);
      dst[0] = Channel(pixel, h.Masks[2]);
      dst[1] = Channel(pixel, h.Masks[1]);
      dst[2] = Channel(pixel, h.Masks[0]);
      if (step == 4) dst[3] = Channel(pixel, h.AlphaMask);
    }
  }
}

TPixelFormat FormatFor(uint32_t bits, bool bitFields, bool alpha) {
  switch (bits) {
    case 1: return TPixelFormat::pf1bit;
    case 4: return TPixelFormat::pf4bit;
    case 8: return TPixelFormat::pf8bit;
    case 16: return alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit;  // A1R5G5B5, A4R4G4B4
    case 32: return bitFields && !alpha ? TPixelFormat::pf24bit : TPixelFormat::pf32bit;
  }
  return TPixelFormat::pf24bit;
}

}  // namespace

bool ReadBmp(std::string_view file, Bitmap& out, std::string* error) {
  out = Bitmap();
  Header h;
  if (!ReadHeader(file, h, error)) return false;
  if (!ValidFormat(h)) return Fail(error, "unsupported BMP pixel format");
  bool topDown = h.Height < 0;
  int64_t height = topDown ? -h.Height : h.Height;
  if (h.Width <= 0 || height <= 0) return Fail(error, "BMP width or height is 0");
  if (static_cast<uint64_t>(h.Width) * static_cast<uint64_t>(height) > kMaxBmpPixels)
    return Fail(error, "BMP too large");
  bool rle = h.Compression == kBiRle8 || h.Compression == kBiRle4;
  if (rle && topDown) return Fail(error, "top-down BMP cannot be run-length encoded");
  if (h.DataAt < h.PaletteAt || h.DataAt >= file.size()) return Fail(error, "BMP pixel data missing");
  std::string_view data = file.substr(h.DataAt);

  uint64_t stride = (static_cast<uint64_t>(h.Width) * h.Bits + 31) / 32 * 4;
  if (!rle) {
    // The last row may lack its padding; anything shorter is truncated.
    uint64_t needed = stride * (height - 1) + (static_cast<uint64_t>(h.Width) * h.Bits + 7) / 8;
    if (needed > data.size()) return Fail(error, "BMP pixel data truncated");
  } else if (static_cast<uint64_t>(h.Width) * height > (uint64_t{1} << 20) + uint64_t{65536} * data.size()) {
    return Fail(error, "BMP too large for its data");
  }

  bool bitFields = h.Bits == 16 || h.Compression == kBiBitFields || h.Compression == kBiAlphaBitFields;
  if (!out.SetSize(static_cast<int>(h.Width), static_cast<int>(height), FormatFor(h.Bits, bitFields, h.AlphaMask != 0)))
    return Fail(error, "BMP too large");
  if (h.Bits <= 8) {
    for (uint32_t i = 0; i < h.PaletteCount; ++i) {
      size_t at = h.PaletteAt + i * h.PaletteEntrySize;
      if (at + 3 > h.DataAt) break;  // a palette cut short leaves black entries
      out.Palette()[i] = uint32_t{uint8_t(file[at + 2])} << 16 | uint32_t{uint8_t(file[at + 1])} << 8 |
                         uint8_t(file[at]);
    }
  }
  if (rle) DecodeRle(data, h.Compression == kBiRle4, out);
  else if (bitFields) ConvertBitFields(data, stride, topDown, h, out);
  else CopyRows(data, stride, topDown, out);
  return true;
}

}  // namespace ostrel
