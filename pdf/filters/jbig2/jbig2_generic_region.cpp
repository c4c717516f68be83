#include "pdf/filters/jbig2/jbig2_generic_region.h"

#include <cstring>
#include <vector>

#include "pdf/filters/ccitt/ccitt_decoder.h"

namespace ostrel {
namespace {

struct TContextPixel {
  int DX, DY, Shift;
};

// The fixed pixels of each template with their bit in the context; the
// adaptive pixels take the shifts listed in kAdaptiveShifts.
const std::vector<TContextPixel>& TemplatePixels(int t) {
  static const std::vector<TContextPixel> kPixels[4] = {
      {{-1, 0, 0}, {-2, 0, 1}, {-3, 0, 2}, {-4, 0, 3}, {2, -1, 5}, {1, -1, 6}, {0, -1, 7},
       {-1, -1, 8}, {-2, -1, 9}, {1, -2, 12}, {0, -2, 13}, {-1, -2, 14}},
      {{-1, 0, 0}, {-2, 0, 1}, {-3, 0, 2}, {2, -1, 4}, {1, -1, 5}, {0, -1, 6}, {-1, -1, 7},
       {-2, -1, 8}, {2, -2, 9}, {1, -2, 10}, {0, -2, 11}, {-1, -2, 12}},
      {{-1, 0, 0}, {-2, 0, 1}, {1, -1, 3}, {0, -1, 4}, {-1, -1, 5}, {-2, -1, 6}, {1, -2, 7},
       {0, -2, 8}, {-1, -2, 9}},
      {{-1, 0, 0}, {-2, 0, 1}, {-3, 0, 2}, {-4, 0, 3}, {1, -1, 5}, {0, -1, 6}, {-1, -1, 7},
       {-2, -1, 8}, {-3, -1, 9}},
  };
  return kPixels[t & 3];
}

constexpr int kAdaptiveShifts[4][4] = {{4, 10, 11, 15}, {3, -1, -1, -1}, {2, -1, -1, -1}, {4, -1, -1, -1}};
constexpr size_t kTypicalContext[4] = {0x9B25, 0x0795, 0x00E5, 0x0195};

}  // namespace

void DecodeGenericRegion(TJBIG2Bitmap& bitmap, const TGenericRegionParams& params,
                         TArithmeticDecoder& decoder, TArithmeticDecoderStats& stats) {
  if (stats.Size() < kGenericContexts) throw EJBIG2Error("context table too small");
  int t = params.Template & 3;
  std::vector<TContextPixel> pixels = TemplatePixels(t);
  for (int i = 0; i < 4; ++i)
    if (kAdaptiveShifts[t][i] >= 0) pixels.push_back({params.ATX[i], params.ATY[i], kAdaptiveShifts[t][i]});
  const int width = bitmap.Width(), height = bitmap.Height();
  bool typical = false;
  for (int y = 0; y < height; ++y) {
    if (params.TypicalPrediction) {
      typical ^= decoder.DecodeBit(stats, kTypicalContext[t]) != 0;
      if (typical) {
        // The row repeats the one above (white above the first row).
        if (y > 0 && bitmap.Stride() > 0) std::memcpy(bitmap.Row(y), bitmap.Row(y - 1), bitmap.Stride());
        continue;
      }
    }
    for (int x = 0; x < width; ++x) {
      if (params.Skip && params.Skip->GetPixel(x, y)) continue;
      size_t context = 0;
      for (const TContextPixel& p : pixels)
        context |= static_cast<size_t>(bitmap.GetPixel(x + p.DX, y + p.DY)) << p.Shift;
      if (decoder.DecodeBit(stats, context)) bitmap.SetPixel(x, y, 1);
    }
  }
}

size_t DecodeGenericRegionMMR(TJBIG2Bitmap& bitmap, std::string_view data) {
  if (bitmap.Width() == 0 || bitmap.Height() == 0) return 0;
  TOSLCCITTDecoder fax(bitmap.Width(), false, false, 1, bitmap.Height());
  if (!fax.DecodeT6(data)) throw EJBIG2Error("bad MMR data");
  const std::vector<uint8_t>& rows = fax.Output();
  std::memcpy(bitmap.Row(0), rows.data(), rows.size());
  return fax.ConsumedBytes();
}

void DecodeRefinementRegion(TJBIG2Bitmap& bitmap, const TRefinementParams& params,
                            TArithmeticDecoder& decoder, TArithmeticDecoderStats& stats) {
  if (stats.Size() < kRefinementContexts || !params.Reference) throw EJBIG2Error("bad refinement");
  const TJBIG2Bitmap& ref = *params.Reference;
  const int64_t dx = params.DX, dy = params.DY;
  // The offsets come from the data: positions are taken in 64 bits, and
  // whatever lies outside the reference reads as 0.
  auto r = [&](int x, int y) -> size_t {
    const int64_t rx = x - dx, ry = y - dy;
    if (rx < 0 || ry < 0 || rx >= ref.Width() || ry >= ref.Height()) return 0;
    return static_cast<size_t>(ref.GetPixel(static_cast<int>(rx), static_cast<int>(ry)));
  };
  auto c = [&](int x, int y) { return static_cast<size_t>(bitmap.GetPixel(x, y)); };
  const bool t0 = params.Template == 0;
  auto context = [&](int x, int y) -> size_t {
    if (t0)
      return c(x - 1, y) | c(x + 1, y - 1) << 1 | c(x, y - 1) << 2 |
             c(x + params.ATX[0], y + params.ATY[0]) << 3 | r(x + 1, y + 1) << 4 |
             r(x, y + 1) << 5 | r(x - 1, y + 1) << 6 | r(x + 1, y) << 7 | r(x, y) << 8 |
             r(x - 1, y) << 9 | r(x + 1, y - 1) << 10 | r(x, y - 1) << 11 |
             r(x + params.ATX[1], y + params.ATY[1]) << 12;
    return c(x - 1, y) | c(x + 1, y - 1) << 1 | c(x, y - 1) << 2 | c(x - 1, y - 1) << 3 |
           r(x + 1, y + 1) << 4 | r(x, y + 1) << 5 | r(x + 1, y) << 6 | r(x, y) << 7 |
           r(x - 1, y) << 8 | r(x, y - 1) << 9;
  };
  bool typical = false;
  for (int y = 0; y < bitmap.Height(); ++y) {
    if (params.TypicalPrediction) typical ^= decoder.DecodeBit(stats, t0 ? 0x0010 : 0x0008) != 0;
    for (int x = 0; x < bitmap.Width(); ++x) {
      if (typical) {
        // Where the reference is uniform around the pixel, the pixel copies it.
        size_t sum = 0;
        for (int j = -1; j <= 1; ++j)
          for (int i = -1; i <= 1; ++i) sum += r(x + i, y + j);
        if (sum == 0 || sum == 9) {
          if (sum) bitmap.SetPixel(x, y, 1);
          continue;
        }
      }
      if (decoder.DecodeBit(stats, context(x, y))) bitmap.SetPixel(x, y, 1);
    }
  }
}

}  // namespace ostrel
