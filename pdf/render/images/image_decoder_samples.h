#pragma once
// Image samples (packed rows of 1, 2, 4, 8 or 16 bits per component) turned
// into a raster the canvas can draw: one-component images become 1-bit or
// 8-bit palette pictures, everything else 24-bit. Reading never goes past
// the data: missing bytes read as zero, so short data needs no padding.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/bitmap.h"

namespace ostrel {

class TPDFColorSpace;

inline constexpr int kMaxImageColorants = 32;

struct TImageSamples {
  std::string_view Data;  // packed rows, each starting on a byte
  size_t Stride = 0;      // bytes per row in Data
  int Width = 0;          // pixels of a row
  int Height = 0;
  int Components = 1;     // 1..kMaxImageColorants
  int Bits = 8;           // 1, 2, 4, 8 or 16
  // Every Step-th pixel of every Step-th row is read (images decoded at a
  // reduced scale); the output is ceil(Width / Step) x ceil(Height / Step).
  int Step = 1;

  int OutWidth() const { return static_cast<int>((int64_t{Width} + Step - 1) / Step); }
  int OutHeight() const { return static_cast<int>((int64_t{Height} + Step - 1) / Step); }
  // Bytes of one packed row for these sizes (64-bit; 0 when it does not fit).
  static uint64_t RowBytes(int64_t width, int components, int bits);
  // The raw sample (not scaled) of component c of pixel (x, y) of the output.
  uint32_t Sample(int x, int y, int c) const;
};

// The colour space the samples are in. Space is null for device spaces met
// without an object (DeviceGray, DeviceRGB, DeviceCMYK by component count).
struct TImageSampleSpace {
  TPDFColorSpace* Space = nullptr;
  // Gray and Separation samples read inverted (a /Decode starting [1 0]).
  bool Inverted = false;
  // Nothing usable (an Indexed space without a usable table, an unknown
  // space): the picture is black.
  bool Black = false;
};

// The picture for the samples: 1-bit for 1-bit device gray, 8-bit palette
// for any other one-component space, 24-bit otherwise. False when the
// raster cannot be allocated.
bool SamplesToPicture(const TImageSamples& samples, const TImageSampleSpace& space, Bitmap& picture);

// Coverage of 1-bit stencil samples: 255 where the stencil paints (sample
// 0, or 1 when inverted), 0 elsewhere; OutWidth x OutHeight bytes.
std::vector<uint8_t> StencilCoverage(const TImageSamples& samples, bool inverted);

// Opacity from a colour key: 0 where every component lies within its
// [min, max] pair of key (in raw sample units), 255 elsewhere.
std::vector<uint8_t> ColorKeyAlpha(const TImageSamples& samples, const std::vector<double>& key);

// Pictures of bilevel levels (a 1-bit image reduced by averaging, see
// TImageBilevelReducer): level l stands for the share l / 15 of samples that
// are 1. The palette blends the colours of samples 0 and 1 at that share.
void SetLevelPalette(Bitmap& levels, const TImageSampleSpace& space);
// Stencil coverage of levels: the share of samples that paint (0, or 1 when
// inverted), 0..255.
std::vector<uint8_t> LevelCoverage(const Bitmap& levels, bool inverted);
// Opacity of levels under a colour key: the share of samples outside it.
std::vector<uint8_t> LevelColorKeyAlpha(const Bitmap& levels, const std::vector<double>& key);

// Gray level (0..255) of every pixel of a picture, row after row.
std::vector<uint8_t> GrayLevels(const Bitmap& picture);

}  // namespace ostrel
