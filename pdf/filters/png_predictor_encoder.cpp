#include "pdf/filters/png_predictor_encoder.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/zlib_codec.h"

namespace ostrel {

namespace {

// libdeflate's level 6 packs filtered rows as small as zlib's level 6 or a
// little smaller, in about half the time; higher levels gain under a percent.
// Plain samples go to zlib, which packs long runs (flat areas, opaque
// alpha) tighter than libdeflate does, and gives the bytes this stream had
// before filters were tried.
constexpr int kDeflateLevel = 6;

// Pictures up to this many bytes are deflated both ways and the smaller kept;
// larger ones choose on bands of rows adding up to about this much.
constexpr size_t kWholeTrialBytes = size_t{4} << 20;
constexpr size_t kBandRows = 64;

// Filtered rows need a /DecodeParms entry of about this many bytes more.
constexpr size_t kParmsBytes = 80;

// Paeth's choice among left a, above b and upper-left c, written without
// branches on the distances so that the loops below vectorise.
inline int Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// A filtered byte read as a signed value, as far from zero as it lies.
inline unsigned Magnitude(int difference) { return static_cast<unsigned>(std::abs(static_cast<int8_t>(difference))); }

// The sum of each filter's output on the row, in one pass: how well the row
// packs after None, Sub, Up, Average and Paeth. Left of the first pixel
// reads as zero.
std::array<uint64_t, 5> FilterSums(const uint8_t* row, const uint8_t* prior, size_t length, size_t bpp) {
  std::array<uint64_t, 5> sums{};
  const size_t head = std::min(bpp, length);
  for (size_t i = 0; i < head; ++i) {
    const int x = row[i], b = prior[i];
    sums[0] += Magnitude(x), sums[1] += Magnitude(x), sums[2] += Magnitude(x - b);
    sums[3] += Magnitude(x - b / 2), sums[4] += Magnitude(x - b);
  }
  // Chunks of 64 KiB keep 32-bit sums (the loop that vectorises) from overflowing.
  for (size_t start = head; start < length; start += 65536) {
    const size_t end = std::min(length, start + 65536);
    uint32_t none = 0, sub = 0, up = 0, average = 0, paeth = 0;
    for (size_t i = start; i < end; ++i) {
      const int x = row[i], a = row[i - bpp], b = prior[i], c = prior[i - bpp];
      none += Magnitude(x), sub += Magnitude(x - a), up += Magnitude(x - b);
      average += Magnitude(x - (a + b) / 2), paeth += Magnitude(x - Paeth(a, b, c));
    }
    sums[0] += none, sums[1] += sub, sums[2] += up, sums[3] += average, sums[4] += paeth;
  }
  return sums;
}

// Writes the row filtered with filter Type to out. Left of the first pixel
// reads as zero.
template <int Type>
void FilterRow(const uint8_t* row, const uint8_t* prior, size_t length, size_t bpp, uint8_t* out) {
  for (size_t i = 0; i < length; ++i) {
    const int a = i >= bpp ? row[i - bpp] : 0, b = prior[i], c = i >= bpp ? prior[i - bpp] : 0;
    int predicted = 0;
    if constexpr (Type == 1) predicted = a;
    if constexpr (Type == 2) predicted = b;
    if constexpr (Type == 3) predicted = (a + b) / 2;
    if constexpr (Type == 4) predicted = Paeth(a, b, c);
    out[i] = static_cast<uint8_t>(row[i] - predicted);
  }
}

using TRowFilter = void (*)(const uint8_t*, const uint8_t*, size_t, size_t, uint8_t*);
constexpr TRowFilter kRowFilters[5] = {FilterRow<0>, FilterRow<1>, FilterRow<2>, FilterRow<3>, FilterRow<4>};

size_t RowBytes(const TPDFPredictorParams& params) {
  return (size_t(params.Columns) * size_t(params.Colors) * size_t(params.BitsPerComponent) + 7) / 8;
}

std::string Deflate(libdeflate_compressor* compressor, std::string_view data) {
  std::string out(libdeflate_zlib_compress_bound(compressor, data.size()), '\0');
  out.resize(libdeflate_zlib_compress(compressor, data.data(), data.size(), out.data(), out.size()));
  return out;
}

// Whether bands of rows spread over the picture pack smaller filtered.
bool BandsPackSmallerFiltered(libdeflate_compressor* compressor, std::string_view rows, size_t rowBytes,
                              const TPDFPredictorParams& params) {
  const size_t total = rows.size() / rowBytes, bandBytes = kBandRows * rowBytes;
  const size_t bands = std::max<size_t>(1, kWholeTrialBytes / bandBytes);
  const size_t step = std::max<size_t>(kBandRows, total / bands);
  size_t plain = 0, filtered = 0;
  for (size_t first = 0; first < total; first += step) {
    std::string_view band = rows.substr(first * rowBytes, std::min(kBandRows, total - first) * rowBytes);
    plain += ZlibDeflate(band).size();
    filtered += Deflate(compressor, FilterPNGRows(band, params)).size();
  }
  return filtered < plain;
}

}  // namespace

std::string FilterPNGRows(std::string_view samples, const TPDFPredictorParams& params) {
  if (!PredictorParamsValid(params)) return {};
  const size_t rowBytes = RowBytes(params);
  const size_t rows = samples.size() / rowBytes;
  if (rows == 0) return {};
  // As readers take it: 12-bit pixels step back 2 bytes, packed ones 1.
  const size_t bpp = (size_t(params.Colors) * size_t(params.BitsPerComponent) + 7) / 8;
  std::string filtered(rows * (rowBytes + 1), '\0');
  const std::vector<uint8_t> zeros(rowBytes, 0);
  const uint8_t* prior = zeros.data();
  for (size_t y = 0; y < rows; ++y) {
    const uint8_t* row = reinterpret_cast<const uint8_t*>(samples.data()) + y * rowBytes;
    const std::array<uint64_t, 5> sums = FilterSums(row, prior, rowBytes, bpp);
    const int type = static_cast<int>(std::min_element(sums.begin(), sums.end()) - sums.begin());
    uint8_t* out = reinterpret_cast<uint8_t*>(filtered.data()) + y * (rowBytes + 1);
    out[0] = static_cast<uint8_t>(type);
    kRowFilters[type](row, prior, rowBytes, bpp, out + 1);
    prior = row;
  }
  return filtered;
}

TFlateSamples FlateEncodeSamples(std::string_view samples, const TPDFPredictorParams& params) {
  if (!PredictorParamsValid(params)) return {};
  const size_t rowBytes = RowBytes(params);
  const std::string_view rows = samples.substr(0, samples.size() / rowBytes * rowBytes);
  if (rows.empty()) return {};
  std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
      libdeflate_alloc_compressor(kDeflateLevel), libdeflate_free_compressor);
  if (!compressor) return {};
  if (rows.size() <= kWholeTrialBytes) {
    TFlateSamples plain{ZlibDeflate(rows), false};
    TFlateSamples filtered{Deflate(compressor.get(), FilterPNGRows(rows, params)), true};
    return filtered.Data.size() + kParmsBytes < plain.Data.size() ? std::move(filtered) : std::move(plain);
  }
  if (BandsPackSmallerFiltered(compressor.get(), rows, rowBytes, params))
    return {Deflate(compressor.get(), FilterPNGRows(rows, params)), true};
  return {ZlibDeflate(rows), false};
}

}  // namespace ostrel
