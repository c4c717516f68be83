#include "pdf/filters/jbig2/jbig2_halftone.h"

#include <algorithm>
#include <optional>

#include "pdf/filters/jbig2/jbig2_generic_region.h"
#include "pdf/filters/jbig2/jbig2_text_region.h"

namespace ostrel {

std::vector<TJBIG2BitmapPtr> DecodePatternDictionary(TStreamReader& reader,
                                                     TJBIG2BitmapFactory& factory) {
  uint32_t flags = reader.ReadByte();
  int patternWidth = static_cast<int>(reader.ReadByte());
  int patternHeight = static_cast<int>(reader.ReadByte());
  uint32_t grayMax = reader.ReadNumber(4);
  if (patternWidth == 0 || patternHeight == 0 || grayMax >= kMaxJBIG2Patterns)
    throw EJBIG2Error("bad pattern dictionary");
  TJBIG2BitmapPtr collective = factory.Make(int64_t{grayMax + 1} * patternWidth, patternHeight);
  if (flags & 1) {
    DecodeGenericRegionMMR(*collective, reader.Rest());
  } else {
    TGenericRegionParams gp;
    gp.Template = static_cast<int>(flags >> 1 & 3);
    gp.ATX[0] = -patternWidth;
    gp.ATY[0] = 0;
    TArithmeticDecoder decoder(reader.Rest());
    TArithmeticDecoderStats stats(kGenericContexts);
    DecodeGenericRegion(*collective, gp, decoder, stats);
  }
  std::vector<TJBIG2BitmapPtr> patterns;
  for (uint32_t i = 0; i <= grayMax; ++i)
    patterns.push_back(std::make_shared<TJBIG2Bitmap>(
        collective->Extract(static_cast<int>(i) * patternWidth, 0, patternWidth, patternHeight)));
  return patterns;
}

TJBIG2BitmapPtr DecodeHalftoneRegion(TStreamReader& reader, int width, int height,
                                     const std::vector<TJBIG2BitmapPtr>& patterns,
                                     TJBIG2BitmapFactory& factory) {
  uint32_t flags = reader.ReadByte();
  const bool mmr = flags & 1, enableSkip = flags >> 3 & 1, defaultPixel = flags >> 7 & 1;
  const int templ = static_cast<int>(flags >> 1 & 3);
  const uint32_t op = flags >> 4 & 7;
  int64_t gridWidth = reader.ReadNumber(4), gridHeight = reader.ReadNumber(4);
  int64_t gridX = reader.ReadSigned32(), gridY = reader.ReadSigned32();
  int64_t stepX = reader.ReadNumber(2), stepY = reader.ReadNumber(2);
  if (patterns.empty() || op > 4) throw EJBIG2Error("bad halftone region");
  const int patternWidth = patterns[0]->Width(), patternHeight = patterns[0]->Height();
  // Every grid cell draws a whole pattern: bound the drawing work too. A
  // grid whose steps are at least half a pixel has no more cells than four
  // times the area its patterns can reach; more come only from hostile data
  // and would keep the gray planes and the drawing loop busy for nothing.
  // A grid without columns still costs a pass per row, and the other way.
  // Patterns that tile the region draw about its area, at most 2^28 pixels;
  // twice that leaves room for overlapping grids.
  uint64_t cells = static_cast<uint64_t>(std::max<int64_t>(gridWidth, 1)) *
                   static_cast<uint64_t>(std::max<int64_t>(gridHeight, 1));
  const uint64_t reach = (static_cast<uint64_t>(width) + static_cast<uint64_t>(patternWidth)) *
                         (static_cast<uint64_t>(height) + static_cast<uint64_t>(patternHeight));
  if (cells > kMaxJBIG2BitmapPixels || cells > 4 * reach ||
      cells * static_cast<uint64_t>(patternWidth) * static_cast<uint64_t>(patternHeight) >
          2 * kMaxJBIG2BitmapPixels)
    throw EJBIG2Error("halftone grid too large");

  TJBIG2BitmapPtr region = factory.Make(width, height, defaultPixel);
  auto cellX = [&](int64_t m, int64_t n) { return (gridX + m * stepY + n * stepX) >> 8; };
  auto cellY = [&](int64_t m, int64_t n) { return (gridY + m * stepX - n * stepY) >> 8; };

  TJBIG2BitmapPtr skip;
  if (enableSkip) {
    skip = factory.Make(gridWidth, gridHeight);
    for (int m = 0; m < gridHeight; ++m)
      for (int n = 0; n < gridWidth; ++n) {
        int64_t x = cellX(m, n), y = cellY(m, n);
        if (x + patternWidth <= 0 || x >= width || y + patternHeight <= 0 || y >= height)
          skip->SetPixel(n, m, 1);
      }
  }

  // Gray values as Gray-coded bit planes, most significant plane first.
  const int bitsPerValue = SymbolCodeLength(static_cast<uint32_t>(patterns.size()));
  std::vector<TJBIG2BitmapPtr> planes(static_cast<size_t>(bitsPerValue));
  TGenericRegionParams gp;
  gp.Template = templ;
  gp.ATX[0] = templ <= 1 ? 3 : 2;
  gp.Skip = skip.get();
  TArithmeticDecoderStats stats(mmr ? 0 : kGenericContexts);
  std::optional<TArithmeticDecoder> decoder;
  if (!mmr) decoder.emplace(reader.Rest());
  size_t mmrPosition = 0;
  for (int j = bitsPerValue - 1; j >= 0; --j) {
    TJBIG2BitmapPtr plane = factory.Make(gridWidth, gridHeight);
    if (mmr) mmrPosition += DecodeGenericRegionMMR(*plane, reader.Rest().substr(std::min(mmrPosition, reader.Remaining())));
    else DecodeGenericRegion(*plane, gp, *decoder, stats);
    if (j + 1 < bitsPerValue) plane->Combine(*planes[static_cast<size_t>(j) + 1], 0, 0, TJBIG2CombinationOperator::Xor);
    planes[static_cast<size_t>(j)] = plane;
  }

  for (int m = 0; m < gridHeight; ++m)
    for (int n = 0; n < gridWidth; ++n) {
      uint32_t gray = 0;
      for (int j = 0; j < bitsPerValue; ++j) gray |= static_cast<uint32_t>(planes[static_cast<size_t>(j)]->GetPixel(n, m)) << j;
      gray = std::min<uint32_t>(gray, static_cast<uint32_t>(patterns.size() - 1));
      region->Combine(*patterns[gray], cellX(m, n), cellY(m, n), static_cast<TJBIG2CombinationOperator>(op));
    }
  return region;
}

}  // namespace ostrel
