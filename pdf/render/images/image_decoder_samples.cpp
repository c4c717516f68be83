#include "pdf/render/images/image_decoder_samples.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

#include "pdf/render/colour/colour_space.h"
#include "pdf/render/colour/colour_space_icc.h"
#include "pdf/render/colour/colour_space_indexed.h"
#include "pdf/render/colour/colour_space_lab.h"
#include "pdf/render/images/image_bilevel_reducer.h"

namespace ostrel {
namespace {

// Distinct colours remembered per image for the spaces converted one
// pixel at a time (CMYK, Lab, DeviceN); beyond it colours are recomputed.
constexpr size_t kMaxColorCache = size_t{1} << 16;

// A raw sample scaled to a byte: 16-bit samples keep their high byte.
uint8_t ScaleToByte(uint32_t sample, int bits) {
  switch (bits) {
    case 1: return sample ? 255 : 0;
    case 2: return static_cast<uint8_t>(sample * 85);
    case 4: return static_cast<uint8_t>(sample * 17);
    case 16: return static_cast<uint8_t>(sample >> 8);
    default: return static_cast<uint8_t>(sample);
  }
}

// 0x00BBGGRR (the renderer's colours) to 0x00RRGGBB (bitmap palettes).
uint32_t PaletteEntry(int32_t color) {
  const uint32_t c = static_cast<uint32_t>(color);
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

TPDFColorSpaceKind KindOf(const TImageSampleSpace& space) {
  return space.Space ? space.Space->Kind() : TPDFColorSpaceKind::DeviceGray;
}

// A profile space, whose colours are not those of its device kind.
const TPDFICCBasedColorSpace* ProfileSpace(const TImageSampleSpace& space) {
  return dynamic_cast<const TPDFICCBasedColorSpace*>(space.Space);
}

// The colour of one scaled component byte in a one-component space.
int32_t SingleColor(const TImageSampleSpace& space, uint8_t value) {
  if (space.Inverted) value = static_cast<uint8_t>(255 - value);
  if (!space.Space || (space.Space->Kind() == TPDFColorSpaceKind::DeviceGray && !ProfileSpace(space)))
    return static_cast<int32_t>(value | (value << 8) | (value << 16));
  const double component = value / 255.0;
  return space.Space->ComponentsToColor(std::span<const double>(&component, 1));
}

bool OneBitGray(const TImageSamples& s, const TImageSampleSpace& space, Bitmap& picture) {
  const int w = s.OutWidth(), h = s.OutHeight();
  if (!picture.SetSize(w, h, TPixelFormat::pf1bit)) return false;
  picture.Palette() = {PaletteEntry(SingleColor(space, 0)), PaletteEntry(SingleColor(space, 255))};
  const size_t rowBytes = (static_cast<size_t>(w) + 7) / 8;
  for (int y = 0; y < h; ++y) {
    uint8_t* out = picture.Row(y);
    if (s.Step == 1) {
      const size_t start = static_cast<size_t>(y) * s.Stride;
      if (start < s.Data.size())
        std::memcpy(out, s.Data.data() + start, std::min({rowBytes, s.Stride, s.Data.size() - start}));
      continue;
    }
    for (int x = 0; x < w; ++x)
      if (s.Sample(x, y, 0)) out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  return true;
}

bool PalettePicture(const TImageSamples& s, const TImageSampleSpace& space, Bitmap& picture) {
  const int w = s.OutWidth(), h = s.OutHeight();
  if (!picture.SetSize(w, h, TPixelFormat::pf8bit)) return false;
  std::vector<uint32_t>& palette = picture.Palette();
  palette.assign(256, 0);
  auto* indexed = KindOf(space) == TPDFColorSpaceKind::Indexed
                      ? static_cast<TPDFIndexedColorSpace*>(space.Space) : nullptr;
  if (!space.Black) {
    for (int v = 0; v < 256; ++v)
      palette[v] = PaletteEntry(indexed ? indexed->IndexToColor(v) : SingleColor(space, static_cast<uint8_t>(v)));
  }
  // Indexes are used unscaled; every other sample is scaled to a byte.
  for (int y = 0; y < h; ++y) {
    uint8_t* out = picture.Row(y);
    for (int x = 0; x < w; ++x) {
      const uint32_t sample = s.Sample(x, y, 0);
      out[x] = indexed ? static_cast<uint8_t>(s.Bits == 16 ? sample >> 8 : sample) : ScaleToByte(sample, s.Bits);
    }
  }
  return true;
}

// The space's colour of scaled component bytes.
int32_t ComponentsColor(TPDFColorSpace& space, const uint8_t* bytes, int n) {
  std::array<double, kMaxImageColorants> c{};
  auto* lab = space.Kind() == TPDFColorSpaceKind::Lab ? static_cast<TPDFLabColorSpace*>(&space) : nullptr;
  for (int i = 0; i < n; ++i) {
    const double v = bytes[i];
    c[i] = !lab ? v / 255 : i == 0 ? v * 100 / 255 : i == 1 ? lab->SampleToA(v, 255) : lab->SampleToB(v, 255);
  }
  return space.ComponentsToColor(std::span<const double>(c.data(), static_cast<size_t>(n)));
}

// Samples of a profile space: whole rows go through the profile at once.
void ProfilePicture(const TImageSamples& s, const TICCTransform& transform, Bitmap& picture) {
  const int w = picture.Width(), n = s.Components;
  std::vector<uint8_t> in(static_cast<size_t>(w) * static_cast<size_t>(n)), rgb(static_cast<size_t>(w) * 3);
  for (int y = 0; y < picture.Height(); ++y) {
    uint8_t* p = in.data();
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < n; ++c) *p++ = ScaleToByte(s.Sample(x, y, c), s.Bits);
    transform.ToRGB(in.data(), rgb.data(), static_cast<size_t>(w));
    uint8_t* out = picture.Row(y);
    for (int x = 0; x < w; ++x, out += 3) out[0] = rgb[3 * x + 2], out[1] = rgb[3 * x + 1], out[2] = rgb[3 * x];
  }
}

bool ColourPicture(const TImageSamples& s, const TImageSampleSpace& space, Bitmap& picture) {
  const int w = s.OutWidth(), h = s.OutHeight(), n = s.Components;
  if (!picture.SetSize(w, h, TPixelFormat::pf24bit)) return false;
  if (space.Black || !space.Space) return true;
  if (const TPDFICCBasedColorSpace* profile = ProfileSpace(space);
      profile && profile->Transform().Components() == n) {
    ProfilePicture(s, profile->Transform(), picture);
    return true;
  }
  const bool rgb = space.Space->Kind() == TPDFColorSpaceKind::DeviceRGB && n == 3;
  std::unordered_map<std::string, int32_t> cache;
  std::string key(static_cast<size_t>(n), '\0');
  std::string lastKey;
  int32_t lastColor = 0;
  for (int y = 0; y < h; ++y) {
    uint8_t* out = picture.Row(y);
    for (int x = 0; x < w; ++x, out += 3) {
      for (int c = 0; c < n; ++c) key[c] = static_cast<char>(ScaleToByte(s.Sample(x, y, c), s.Bits));
      const auto* bytes = reinterpret_cast<const uint8_t*>(key.data());
      if (rgb) {
        out[0] = bytes[2], out[1] = bytes[1], out[2] = bytes[0];
        continue;
      }
      if (key != lastKey) {
        auto it = cache.find(key);
        if (it != cache.end()) {
          lastColor = it->second;
        } else {
          lastColor = ComponentsColor(*space.Space, bytes, n);
          if (cache.size() < kMaxColorCache) cache.emplace(key, lastColor);
        }
        lastKey = key;
      }
      const uint32_t c = static_cast<uint32_t>(lastColor);
      out[0] = static_cast<uint8_t>(c >> 16), out[1] = static_cast<uint8_t>(c >> 8), out[2] = static_cast<uint8_t>(c);
    }
  }
  return true;
}

}  // namespace

uint64_t TImageSamples::RowBytes(int64_t width, int components, int bits) {
  if (width <= 0 || components <= 0 || bits <= 0) return 0;
  return (static_cast<uint64_t>(width) * static_cast<uint64_t>(components) * static_cast<uint64_t>(bits) + 7) / 8;
}

uint32_t TImageSamples::Sample(int x, int y, int c) const {
  const uint64_t row = static_cast<uint64_t>(y) * static_cast<uint64_t>(Step) * Stride;
  const uint64_t index = static_cast<uint64_t>(x) * static_cast<uint64_t>(Step) * static_cast<uint64_t>(Components) +
                         static_cast<uint64_t>(c);
  const uint64_t bit = index * static_cast<uint64_t>(Bits);
  const uint64_t byte = row + bit / 8;
  auto at = [&](uint64_t i) -> uint32_t { return i < Data.size() ? static_cast<uint8_t>(Data[i]) : 0; };
  switch (Bits) {
    case 8: return at(byte);
    case 16: return (at(byte) << 8) | at(byte + 1);
    default: {
      const int shift = 8 - Bits - static_cast<int>(bit % 8);
      return (at(byte) >> shift) & ((1u << Bits) - 1);
    }
  }
}

bool SamplesToPicture(const TImageSamples& samples, const TImageSampleSpace& space, Bitmap& picture) {
  if (samples.Components == 1) {
    const bool gray = !space.Black && KindOf(space) == TPDFColorSpaceKind::DeviceGray;
    if (gray && samples.Bits == 1) return OneBitGray(samples, space, picture);
    return PalettePicture(samples, space, picture);
  }
  return ColourPicture(samples, space, picture);
}

std::vector<uint8_t> StencilCoverage(const TImageSamples& samples, bool inverted) {
  const int w = samples.OutWidth(), h = samples.OutHeight();
  std::vector<uint8_t> coverage(static_cast<size_t>(w) * static_cast<size_t>(h));
  const uint32_t paints = inverted ? 1 : 0;
  uint8_t* out = coverage.data();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) *out++ = (samples.Sample(x, y, 0) & 1) == paints ? 255 : 0;
  return coverage;
}

std::vector<uint8_t> ColorKeyAlpha(const TImageSamples& samples, const std::vector<double>& key) {
  const int w = samples.OutWidth(), h = samples.OutHeight(), n = samples.Components;
  std::vector<uint8_t> alpha(static_cast<size_t>(w) * static_cast<size_t>(h), 255);
  if (key.size() < 2 * static_cast<size_t>(n)) return alpha;
  uint8_t* out = alpha.data();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x, ++out) {
      bool inside = true;
      for (int c = 0; c < n && inside; ++c) {
        const double v = samples.Sample(x, y, c);
        inside = v >= key[2 * c] && v <= key[2 * c + 1];
      }
      if (inside) *out = 0;
    }
  }
  return alpha;
}

namespace {

constexpr int kTopLevel = kBilevelLevels - 1;

uint8_t LevelAt(const Bitmap& levels, int x, int y) {
  const uint8_t byte = levels.Row(y)[x >> 1];
  return (x & 1) ? byte & 15 : byte >> 4;
}

// Each level's value of a plane: 255 x share, the share being given per level.
template <typename Share>
std::vector<uint8_t> LevelPlane(const Bitmap& levels, Share share) {
  const int w = levels.Width(), h = levels.Height();
  std::vector<uint8_t> plane(static_cast<size_t>(w) * static_cast<size_t>(h));
  uint8_t byLevel[kBilevelLevels];
  for (int l = 0; l < kBilevelLevels; ++l) byLevel[l] = static_cast<uint8_t>(share(l) * 255 / kTopLevel);
  uint8_t* out = plane.data();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) *out++ = byLevel[LevelAt(levels, x, y)];
  return plane;
}

}  // namespace

void SetLevelPalette(Bitmap& levels, const TImageSampleSpace& space) {
  std::vector<uint32_t>& palette = levels.Palette();
  palette.assign(kBilevelLevels, 0);
  if (space.Black) return;
  uint32_t ends[2];
  auto* indexed = KindOf(space) == TPDFColorSpaceKind::Indexed ? static_cast<TPDFIndexedColorSpace*>(space.Space)
                                                                 : nullptr;
  for (int sample = 0; sample < 2; ++sample)
    ends[sample] = PaletteEntry(indexed ? indexed->IndexToColor(sample)
                                        : SingleColor(space, static_cast<uint8_t>(sample * 255)));
  for (int l = 0; l < kBilevelLevels; ++l) {
    uint32_t entry = 0;
    for (int shift : {0, 8, 16}) {
      const uint32_t c0 = (ends[0] >> shift) & 0xFF, c1 = (ends[1] >> shift) & 0xFF;
      entry |= ((c0 * (kTopLevel - l) + c1 * l + kTopLevel / 2) / kTopLevel) << shift;
    }
    palette[l] = entry;
  }
}

std::vector<uint8_t> LevelCoverage(const Bitmap& levels, bool inverted) {
  return LevelPlane(levels, [inverted](int l) { return inverted ? l : kTopLevel - l; });
}

std::vector<uint8_t> LevelColorKeyAlpha(const Bitmap& levels, const std::vector<double>& key) {
  const bool keyed0 = key.size() >= 2 && key[0] <= 0 && 0 <= key[1];
  const bool keyed1 = key.size() >= 2 && key[0] <= 1 && 1 <= key[1];
  return LevelPlane(levels, [=](int l) { return (keyed0 ? 0 : kTopLevel - l) + (keyed1 ? 0 : l); });
}

std::vector<uint8_t> GrayLevels(const Bitmap& picture) {
  const int w = picture.Width(), h = picture.Height();
  std::vector<uint8_t> levels(static_cast<size_t>(w) * static_cast<size_t>(h));
  uint8_t* out = levels.data();
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = picture.Row(y);
    for (int x = 0; x < w; ++x) {
      uint32_t rgb;
      if (picture.PixelFormat() == TPixelFormat::pf24bit) {
        const uint8_t* p = row + 3 * static_cast<size_t>(x);
        rgb = (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
      } else {
        rgb = picture.PixelRGB(x, y);
      }
      // The mean of the channels: a gray picture keeps its level exactly.
      *out++ = static_cast<uint8_t>((((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF) + 1) / 3);
    }
  }
  return levels;
}

}  // namespace ostrel
