#include "pdf/filters/png_predictor_encoder.h"

#include <gtest/gtest.h>

#include <random>

#include "pdf/filters/flate_filter.h"

namespace ostrel {
namespace {

// Every layout of rows comes back from FlateDecode, with the predictor when
// the rows were filtered: noise packs best as it is, smooth ramps filtered,
// and a picture past the size tried whole decides on bands of its rows.
TEST(PngPredictorEncoder, RowsComeBackThroughTheDecoder) {
  const TPDFPredictorParams layouts[] = {{15, 1, 8, 1},  {15, 1, 8, 37}, {15, 3, 8, 13},  {15, 4, 8, 9},
                                         {15, 1, 16, 7}, {15, 3, 16, 5}, {15, 1, 1, 19},  {15, 3, 4, 5},
                                         {15, 2, 2, 3},  {15, 3, 8, 700}, {15, 1, 8, 4096}};
  std::mt19937 random(7);
  for (const TPDFPredictorParams& p : layouts) {
    const size_t rowBytes = (size_t(p.Columns) * p.Colors * p.BitsPerComponent + 7) / 8;
    const size_t rows = p.Columns >= 700 ? (size_t{4} << 20) / rowBytes + 64 : 6;  // large: past 4 MiB
    for (bool smooth : {false, true}) {
      SCOPED_TRACE(std::to_string(p.Colors) + " colours, " + std::to_string(p.BitsPerComponent) + " bits, " +
                   std::to_string(p.Columns) + " columns, " + (smooth ? "ramp" : "noise"));
      std::string samples(rowBytes * rows, '\0');
      for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = char(smooth ? (i % rowBytes) * 3 + (i / rowBytes) * 5 : random());
      // A trailing partial row is dropped.
      const TFlateSamples flate = FlateEncodeSamples(samples + samples.substr(0, rowBytes - 1), p);
      EXPECT_EQ(flate.RowsFiltered ? FlateDecodePredicted(flate.Data, p) : FlateDecode(flate.Data), samples);
      if (rows > 6) {
        EXPECT_EQ(flate.RowsFiltered, smooth);
      }
    }
  }
  EXPECT_EQ(FlateEncodeSamples("ab", {15, 1, 8, 3}).Data, "");  // no whole row
  EXPECT_EQ(FlateEncodeSamples("abc", {15, 0, 8, 3}).Data, "");  // no colours
}

// Each row takes the filter that leaves the smallest differences: repeated
// rows Up, a horizontal ramp Sub, a flat row None, a row continuing both its
// neighbours' slopes Paeth or Average.
TEST(PngPredictorEncoder, EachRowTakesTheFilterThatLeavesLeast) {
  std::string rows;
  auto add = [&](std::initializer_list<int> row) {
    for (int v : row) rows.push_back(char(v));
  };
  add({0, 0, 0, 0, 0, 0, 0, 0});          // None: nothing to take away
  add({90, 10, 200, 40, 70, 250, 5, 60});  // None: the row above is zero and its left neighbours are far
  add({90, 10, 200, 40, 70, 250, 5, 60});  // Up: the row above repeated
  add({10, 20, 30, 40, 50, 60, 70, 80});   // Sub: a steady step to the left
  const std::string filtered = FilterPNGRows(rows, {15, 1, 8, 8});
  ASSERT_EQ(filtered.size(), 4u * 9);
  EXPECT_EQ(filtered[0], 0);
  EXPECT_EQ(filtered[9], 0);
  EXPECT_EQ(filtered[18], 2);
  EXPECT_EQ(filtered.substr(19, 8), std::string(8, '\0'));
  EXPECT_EQ(filtered[27], 1);
}

}  // namespace
}  // namespace ostrel
