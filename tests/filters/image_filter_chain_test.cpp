#include "pdf/filters/image_filter_chain.h"

#include <gtest/gtest.h>

#include "pdf/filters/flate_filter.h"

namespace ostrel {
namespace {

TEST(ImageFilterChain, ByteFiltersRunInOrderAndCodecsEndTheChain) {
  // "Hell" in ASCII85, then handed on to the JPEG codec untouched.
  auto r = DecodeImageFilterChain("87cUR~>", {{"A85", {}}, {"DCTDecode", {{"ColorTransform", "0"}}}});
  EXPECT_EQ(r.Data, "Hell");
  EXPECT_EQ(r.FinalDecoder, TImageFinalDecoder::DCT);
  EXPECT_EQ(r.FinalFilterIndex, 1);
  EXPECT_EQ(FilterParamInt(r.FinalParams, "ColorTransform", 1), 0);

  // The last codec listed wins; unknown names pass the data on.
  r = DecodeImageFilterChain("4142>", {{"CCF", {}}, {"Crypt", {}}, {"AHx", {}}, {"JPXDecode", {}}});
  EXPECT_EQ(r.Data, "AB");
  EXPECT_EQ(r.FinalDecoder, TImageFinalDecoder::JPX);
  EXPECT_EQ(r.FinalFilterIndex, 3);

  r = DecodeImageFilterChain("raw", {});
  EXPECT_EQ(r.Data, "raw");
  EXPECT_EQ(r.FinalDecoder, TImageFinalDecoder::None);
}

TEST(ImageFilterChain, FlateParametersCutRowsEvenWithoutPredictor) {
  std::string packed = FlateEncode("abcdefg");
  EXPECT_EQ(DecodeImageFilterChain(packed, {{"Fl", {}}}).Data, "abcdefg");
  EXPECT_EQ(DecodeImageFilterChain(packed, {{"FlateDecode", {{"Columns", "3"}}}}).Data, "abcdef");
  std::string png = FlateEncode(std::string("\x02\x01\x02\x02\x01\x01", 6));
  EXPECT_EQ(DecodeImageFilterChain(png, {{"FlateDecode", {{"Predictor", "12"}, {"Columns", "2.0"}}}}).Data,
            std::string("\x01\x02\x02\x03", 4));
}

TEST(ImageFilterChain, ParameterTextsThatAreNotNumbersGiveDefaults) {
  TFilterParams p{{"Columns", "abc"}, {"Colors", "3"}, {"K", "-1"}, {"Big", "1e20"}};
  EXPECT_EQ(FilterParamInt(p, "Columns", 1), 1);
  EXPECT_EQ(FilterParamInt(p, "Colors", 1), 3);
  EXPECT_EQ(FilterParamInt(p, "K", 0), -1);
  EXPECT_EQ(FilterParamInt(p, "Big", 7), 7);
  EXPECT_EQ(FilterParamInt(p, "Missing", 5), 5);
}

}  // namespace
}  // namespace ostrel
