#pragma once
// Coverage masks of glyphs: each glyph is rasterized once per font, device
// size (the glyph matrix without its translation) and quarter-pixel phase,
// and every later occurrence composites the mask instead of filling the
// outline again. The cache lives as long as the renderer, so the pages of
// one run share it; it is emptied whenever it outgrows its byte budget.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "pdf/render/glyphs/glyph_outline.h"

typedef struct _cairo_surface cairo_surface_t;

namespace ostrel {

class TPDFGlyphRasterizer;

class TGlyphMaskCache {
 public:
  // An A8 mask and where its top-left pixel lies relative to the pixel
  // holding the glyph origin. A glyph without ink has no surface.
  struct TMask {
    cairo_surface_t* Surface = nullptr;
    int Left = 0, Top = 0;
  };
  // Quarter pixels: finer phases cost more masks for a difference nobody
  // sees at text sizes.
  static constexpr int kPhases = 4;
  // Larger glyphs are filled as outlines; their masks would be big and
  // rarely reused.
  static constexpr int kMaxSide = 160;
  static constexpr size_t kMaxBytes = size_t{16} << 20;

  TGlyphMaskCache() = default;
  ~TGlyphMaskCache();
  TGlyphMaskCache(const TGlyphMaskCache&) = delete;
  TGlyphMaskCache& operator=(const TGlyphMaskCache&) = delete;

  // The mask of the glyph with matrix m drawn at phase (phaseX, phaseY) in
  // quarter pixels; nullptr when the glyph is too large for a mask or Cairo
  // cannot make one (the caller then fills the outline).
  const TMask* Find(TPDFGlyphRasterizer& raster, std::string_view glyph, const TGlyphMatrix& m, int phaseX,
                    int phaseY, bool antiAlias);
  void Clear();
  size_t Bytes() const { return bytes_; }
  size_t Count() const { return masks_.size(); }

 private:
  std::unordered_map<std::string, TMask> masks_;
  std::string key_;  // reused for every lookup, so a hit allocates nothing
  size_t bytes_ = 0;
};

}  // namespace ostrel
