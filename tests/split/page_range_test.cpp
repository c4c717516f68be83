#include "pdf/split/page_range.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Pages = std::vector<int>;

TEST(PageRange, NumbersAndRangesInTheOrderNamed) {
  EXPECT_EQ(ParsePageRange("1-3,7", 1, 10, kRangeKeepDuplicates), (Pages{1, 2, 3, 7}));
  EXPECT_EQ(ParsePageRange("5-3", 1, 10, kRangeKeepDuplicates), (Pages{5, 4, 3}));
  EXPECT_EQ(ParsePageRange("1,1", 1, 10, kRangeKeepDuplicates), (Pages{1, 1}));
  EXPECT_EQ(ParsePageRange("1,1,2-1", 1, 10, 0), (Pages{1, 2}));
  EXPECT_EQ(ParsePageRange("3,1-2", 1, 10, kRangeSort), (Pages{1, 2, 3}));
}

TEST(PageRange, OtherCharactersAndBrokenPartsAreDropped) {
  EXPECT_EQ(ParsePageRange(" 2 , p4 ", 1, 10, 0), (Pages{2, 4}));
  EXPECT_EQ(ParsePageRange("-3,4-,,5", 1, 10, 0), (Pages{5}));
  EXPECT_EQ(ParsePageRange("1-2-3,6", 1, 10, 0), (Pages{6}));
  EXPECT_TRUE(ParsePageRange("", 1, 10, 0).empty());
  EXPECT_TRUE(ParsePageRange("abc", 1, 10, 0).empty());
}

TEST(PageRange, PagesOutsideTheDocumentAreLeftOutAndRangesClamped) {
  EXPECT_TRUE(ParsePageRange("0", 1, 10, 0).empty());
  EXPECT_TRUE(ParsePageRange("12", 1, 10, 0).empty());
  EXPECT_EQ(ParsePageRange("9-4000000000", 1, 10, 0), (Pages{9, 10}));
  EXPECT_EQ(ParsePageRange("99999999999999999999-9", 1, 10, 0), (Pages{10, 9}));
  EXPECT_EQ(ParsePageRange("0-2", 1, 10, 0), (Pages{1, 2}));
  EXPECT_TRUE(ParsePageRange("1", 1, 0, 0).empty());  // a document without pages
}

TEST(PageRange, StrictModesInvalidateTheWholeText) {
  EXPECT_TRUE(ParsePageRange("1;2", 1, 10, kRangeStrictChars).empty());
  EXPECT_TRUE(ParsePageRange("1,2,1", 1, 10, kRangeStrictDuplicates).empty());
  EXPECT_TRUE(ParsePageRange("1,11", 1, 10, kRangeStrictRange).empty());
  EXPECT_EQ(ParsePageRange("1,2", 1, 10, kRangeStrictChars | kRangeStrictDuplicates | kRangeStrictRange), (Pages{1, 2}));
}

TEST(PageRange, RepeatedRangesCannotGrowTheListWithoutBound) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "1-100000,";
  EXPECT_EQ(ParsePageRange(text, 1, 100000, kRangeKeepDuplicates).size(), kMaxRangePages);
}

}  // namespace
}  // namespace ostrel
