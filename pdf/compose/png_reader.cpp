#include "pdf/compose/png_reader.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "pdf/compose/icc_profile.h"
#include "pdf/compose/image_limits.h"
#include "pdf/filters/flate_filter.h"
#include "pdf/filters/png_predictor_encoder.h"

namespace ostrel {

namespace {

constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);

uint32_t BigEndian32(std::string_view d, size_t at) {
  return uint32_t{uint8_t(d[at])} << 24 | uint32_t{uint8_t(d[at + 1])} << 16 | uint32_t{uint8_t(d[at + 2])} << 8 |
         uint8_t(d[at + 3]);
}

// The seven Adam7 passes; a non-interlaced image is the one pass 1,1 from 0,0.
struct Pass {
  uint32_t X0, Y0, DX, DY;
};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
constexpr Pass kSinglePass[1] = {{0, 0, 1, 1}};

uint32_t PassSize(uint32_t full, uint32_t start, uint32_t step) { return full > start ? (full - start + step - 1) / step : 0; }

uint8_t Paeth(int a, int b, int c) {
  int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

void Unfilter(uint8_t type, uint8_t* row, const uint8_t* prior, size_t n, size_t distance) {
  for (size_t i = 0; i < n; ++i) {
    int left = i >= distance ? row[i - distance] : 0;
    int up = prior[i];
    int upLeft = i >= distance ? prior[i - distance] : 0;
    switch (type) {
      case 1: row[i] = static_cast<uint8_t>(row[i] + left); break;
      case 2: row[i] = static_cast<uint8_t>(row[i] + up); break;
      case 3: row[i] = static_cast<uint8_t>(row[i] + (left + up) / 2); break;
      case 4: row[i] = static_cast<uint8_t>(row[i] + Paeth(left, up, upLeft)); break;
    }
  }
}

// Sample `index` of a packed row of `depth`-bit samples (depth below 8).
unsigned PackedSample(const uint8_t* row, size_t index, int depth) {
  size_t bit = index * depth;
  return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
}
void PutPackedSample(uint8_t* row, size_t index, int depth, unsigned value) {
  size_t bit = index * depth;
  row[bit / 8] |= static_cast<uint8_t>(value << (8 - depth - bit % 8));
}

}  // namespace

int TPNGReader::Channels() const {
  switch (ColorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
  }
  return 1;
}

bool TPNGReader::ValidDepth() const {
  switch (ColorType) {
    case 0: return BitDepth == 1 || BitDepth == 2 || BitDepth == 4 || BitDepth == 8 || BitDepth == 16;
    case 3: return BitDepth == 1 || BitDepth == 2 || BitDepth == 4 || BitDepth == 8;
    case 2:
    case 4:
    case 6: return BitDepth == 8 || BitDepth == 16;
  }
  return false;
}

bool TPNGReader::ReadChunks(std::string_view file) {
  if (file.substr(0, 8) != kSignature) return false;
  size_t p = 8;
  bool first = true;
  while (p + 8 <= file.size()) {
    uint32_t length = BigEndian32(file, p);
    std::string_view type = file.substr(p + 4, 4);
    if (length > file.size() - p - 8) break;  // runs past the end
    std::string_view data = file.substr(p + 8, length);
    p += 12 + size_t{length};  // the CRC is not checked
    if (first && type != "IHDR") return false;
    first = false;
    if (type == "IHDR") {
      if (length < 13) return false;
      Width = BigEndian32(data, 0);
      Height = BigEndian32(data, 4);
      BitDepth = data[8], ColorType = data[9];
      CompressionMethod = data[10], FilterMethod = data[11], InterlaceMethod = data[12];
    } else if (type == "PLTE") {
      Palette.assign(data.substr(0, 3 * 256));  // an index cannot reach further
      PaletteEntries = static_cast<int>(Palette.size() / 3);
      Palette.resize(3 * size_t(PaletteEntries));
    } else if (type == "tRNS") {
      Transparency.assign(data);
    } else if (type == "iCCP" && ICCProfile.empty()) {
      // A name of 1 to 79 bytes, its terminator, compression method 0, then zlib data.
      size_t nameEnd = data.substr(0, 80).find('\0');
      if (nameEnd != std::string_view::npos && nameEnd >= 1 && nameEnd + 2 <= data.size() && data[nameEnd + 1] == 0)
        ICCProfile = FlateDecode(data.substr(nameEnd + 2), kMaxICCProfileBytes);
    } else if (type == "IDAT") {
      ImageData.append(data);
    } else if (type == "pHYs" && length >= 9 && data[8] == 1) {  // pixels per metre
      ResolutionX = static_cast<int>(std::lround(BigEndian32(data, 0) * 0.0254));
      ResolutionY = static_cast<int>(std::lround(BigEndian32(data, 4) * 0.0254));
    } else if (type == "IEND") {
      break;
    }
  }
  return !first;
}

bool TPNGReader::Read(std::string_view file) {
  ColorSamples.clear();
  AlphaSamples.clear();
  PassThrough = false;
  ColorRowsFiltered = AlphaRowsFiltered = false;
  if (!ReadChunks(file)) return false;
  if (CompressionMethod != 0 || FilterMethod != 0 || Width == 0 || Height == 0 || ImageData.empty()) return false;
  if (!ValidDepth() || InterlaceMethod > 1) return false;
  if (uint64_t{Width} * Height > kMaxImagePixels) return false;
  if (!HasAlpha() && InterlaceMethod == 0 && !(BitDepth == 16 && ReduceColor16)) {
    PassThrough = true;
    ColorRowsFiltered = true;
    ColorSamples = ImageData;
    ColorDepth = BitDepth;
    return true;
  }
  Decode();
  return !ColorSamples.empty();
}

void TPNGReader::Decode() {
  const int channels = Channels(), depth = BitDepth;
  const size_t bitsPerPixel = size_t(channels) * depth;
  const size_t distance = std::max<size_t>(1, bitsPerPixel / 8);
  const Pass* passes = InterlaceMethod ? kAdam7 : kSinglePass;
  const int passCount = InterlaceMethod ? 7 : 1;

  uint64_t expected = 0;
  for (int i = 0; i < passCount; ++i) {
    uint64_t w = PassSize(Width, passes[i].X0, passes[i].DX), h = PassSize(Height, passes[i].Y0, passes[i].DY);
    if (w && h) expected += h * (1 + (w * bitsPerPixel + 7) / 8);
  }
  if (expected > kMaxInflateRatio * ImageData.size() + 65536) return;  // cannot be in this data
  std::string raw = FlateDecode(ImageData, expected);

  ColorDepth = depth == 16 && ReduceColor16 ? 8 : depth;
  AlphaDepth = HasAlpha() ? (depth == 16 && ReduceAlpha16 ? 8 : depth) : 0;
  const int colorChannels = ColorChannels();
  const size_t colorRow = (size_t(Width) * colorChannels * ColorDepth + 7) / 8;
  const size_t alphaRow = (size_t(Width) * AlphaDepth + 7) / 8;
  std::vector<uint8_t> color(colorRow * Height), alpha(alphaRow * Height);
  const size_t sampleBytes = depth / 8;  // 0 for packed depths

  size_t at = 0;
  for (int i = 0; i < passCount; ++i) {
    const Pass& pass = passes[i];
    size_t w = PassSize(Width, pass.X0, pass.DX), h = PassSize(Height, pass.Y0, pass.DY);
    if (!w || !h) continue;
    size_t rowBytes = (w * bitsPerPixel + 7) / 8;
    std::vector<uint8_t> prior(rowBytes, 0), row(rowBytes);
    for (size_t r = 0; r < h; ++r) {
      if (at + 1 + rowBytes <= raw.size()) {
        std::copy(raw.begin() + at + 1, raw.begin() + at + 1 + rowBytes, row.begin());
        Unfilter(uint8_t(raw[at]), row.data(), prior.data(), rowBytes, distance);
      } else {
        std::fill(row.begin(), row.end(), 255);  // missing data reads as white
      }
      at += 1 + rowBytes;
      size_t y = pass.Y0 + r * pass.DY;
      uint8_t* colorOut = color.data() + y * colorRow;
      uint8_t* alphaOut = alpha.data() + y * alphaRow;
      for (size_t c = 0; c < w; ++c) {
        size_t x = pass.X0 + c * pass.DX;
        if (depth < 8) {
          PutPackedSample(colorOut, x, depth, PackedSample(row.data(), c, depth));
          continue;
        }
        const uint8_t* px = row.data() + c * channels * sampleBytes;
        for (int k = 0; k < colorChannels; ++k) {
          const uint8_t* s = px + k * sampleBytes;
          if (ColorDepth == 16) {
            colorOut[(x * colorChannels + k) * 2] = s[0];
            colorOut[(x * colorChannels + k) * 2 + 1] = s[1];
          } else {
            colorOut[x * colorChannels + k] = s[0];  // 8 bits, or the high byte of 16
          }
        }
        if (AlphaDepth) {
          const uint8_t* s = px + colorChannels * sampleBytes;
          if (AlphaDepth == 16) {
            alphaOut[x * 2] = s[0];
            alphaOut[x * 2 + 1] = s[1];
          } else {
            alphaOut[x] = s[0];
          }
        }
      }
      prior.swap(row);
    }
  }
  auto bytes = [](const std::vector<uint8_t>& plane) {
    return std::string_view(reinterpret_cast<const char*>(plane.data()), plane.size());
  };
  if (!AlphaDepth) {
    // Pictures without alpha keep the plain Flate data they have always had.
    ColorSamples = FlateEncode(bytes(color));
    return;
  }
  // Photographs with alpha pack far better behind PNG row filters.
  TFlateSamples colour = FlateEncodeSamples(bytes(color), {15, colorChannels, ColorDepth, int32_t(Width)});
  TFlateSamples opacity = FlateEncodeSamples(bytes(alpha), {15, 1, AlphaDepth, int32_t(Width)});
  ColorSamples = std::move(colour.Data);
  ColorRowsFiltered = colour.RowsFiltered;
  AlphaSamples = std::move(opacity.Data);
  AlphaRowsFiltered = opacity.RowsFiltered;
}

}  // namespace ostrel
