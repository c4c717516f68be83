#include "pdf/filters/predictor.h"

#include <gtest/gtest.h>

#include "pdf/filters/stream_filters.h"

namespace ostrel {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

TEST(Predictor, PngUpRowsAndTrailingPartialRowDropped) {
  std::string data = Bytes({2, 1, 2, 3, 4, 5, 2, 1, 1, 1, 1, 1, 2, 9, 9});
  EXPECT_EQ(ApplyPredictor(data, 12, 1, 8, 5), Bytes({1, 2, 3, 4, 5, 2, 3, 4, 5, 6}));
}

TEST(Predictor, PngTagByteChoosesFilterPerRow) {
  // Predictor 10 says "None" but the tags say Sub, Average, Paeth, unknown.
  std::string data = Bytes({1, 10, 20, 5, 5, /**/ 3, 4, 4, 4, 4, /**/ 4, 1, 1, 1, 1, /**/ 7, 9, 9, 9, 9});
  // bpp 2 (2 colours, 8 bits): Sub adds the byte two back.
  // Row 0: 10 20 15 25. Row 1 (Average): 4+(0+10)/2=9, 4+(0+20)/2=14, 4+(9+15)/2=16, 4+(14+25)/2=23.
  // Row 2 (Paeth, left/above/upper-left): 1+P(0,9,0)=10, 1+P(0,14,0)=15, 1+P(10,16,9)=17, 1+P(15,23,14)=24.
  EXPECT_EQ(ApplyPredictor(data, 10, 2, 8, 2),
            Bytes({10, 20, 15, 25, 9, 14, 16, 23, 10, 15, 17, 24, 9, 9, 9, 9}));
}

TEST(Predictor, PngBytesPerPixelRoundsUp) {
  // 3 colours at 4 bits: 12-bit pixels, so Sub looks 2 bytes back; 2 columns = 3 bytes.
  EXPECT_EQ(ApplyPredictor(Bytes({1, 1, 2, 3}), 11, 3, 4, 2), Bytes({1, 2, 4}));
  // 16-bit grey: Sub looks 2 bytes back.
  EXPECT_EQ(ApplyPredictor(Bytes({1, 1, 2, 3, 4}), 11, 1, 16, 2), Bytes({1, 2, 4, 6}));
}

TEST(Predictor, TiffWorksPerComponent) {
  // 8-bit, 3 colours: each byte adds the one three positions earlier.
  EXPECT_EQ(ApplyPredictor(Bytes({1, 2, 3, 1, 1, 1, 255, 0, 1}), 2, 3, 8, 3),
            Bytes({1, 2, 3, 2, 3, 4, 1, 3, 5}));
  // 16-bit samples carry from the low byte into the high byte.
  EXPECT_EQ(ApplyPredictor(Bytes({0x00, 0xFF, 0x00, 0x01}), 2, 1, 16, 2), Bytes({0x00, 0xFF, 0x01, 0x00}));
  // 4-bit samples wrap within the nibble instead of spilling into the neighbour.
  EXPECT_EQ(ApplyPredictor(Bytes({0x9F}), 2, 1, 4, 2), Bytes({0x98}));
  // 1-bit: a run of differences 1 0 0 1 0 0 0 0 gives 1 1 1 0 0 0 0 0.
  EXPECT_EQ(ApplyPredictor(Bytes({0x90}), 2, 1, 1, 8), Bytes({0xE0}));
}

TEST(Predictor, OtherPredictorsCopyWholeRows) {
  EXPECT_EQ(ApplyPredictor(Bytes({1, 2, 3, 4, 5}), 1, 1, 8, 2), Bytes({1, 2, 3, 4}));
  EXPECT_EQ(ApplyPredictor(Bytes({1, 2, 3, 4, 5}), 5, 1, 8, 2), Bytes({1, 2, 3, 4}));
}

TEST(Predictor, InvalidParametersLeaveDataAlone) {
  std::string data = Bytes({2, 1, 2, 3});
  for (auto p : {TPDFPredictorParams{12, 0, 8, 3}, TPDFPredictorParams{12, 33, 8, 3},
                 TPDFPredictorParams{12, 1, 3, 3}, TPDFPredictorParams{12, 1, 8, 0},
                 TPDFPredictorParams{12, 1, 8, -5}, TPDFPredictorParams{2, -1, 8, 3}})
    EXPECT_EQ(ApplyPredictor(data, p), data);
  // Huge but valid columns: no whole row, so nothing, and no huge allocation.
  EXPECT_EQ(ApplyPredictor(data, 12, 32, 16, 2147483647), "");
}

}  // namespace
}  // namespace ostrel
