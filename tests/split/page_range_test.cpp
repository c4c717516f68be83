#include "pdf/split/page_range.h"

#include <gtest/gtest.h>

#include "pdf/facade/page_list.h"

namespace ostrel {
namespace {

using Pages = std::vector<int>;

struct TRangeCase {
  const char* Text;
  int Last;  // the first page is 1
  unsigned Flags;
  std::optional<Pages> Expected;  // nothing: the text is invalid
};

// One grammar for page extraction (no flags or duplicates kept) and for the
// lists users type (kRangeUserList).
TEST(PageRange, ListsRangesAndTheirBounds) {
  const TRangeCase kCases[] = {
      // Numbers and ranges in the order named; ranges run downwards too.
      {"1-3,7", 10, kRangeKeepDuplicates, Pages{1, 2, 3, 7}},
      {"5-3", 10, kRangeKeepDuplicates, Pages{5, 4, 3}},
      {"1,1", 10, kRangeKeepDuplicates, Pages{1, 1}},
      {"1,1,2-1", 10, 0, Pages{1, 2}},
      {"3,1-2", 10, kRangeSort, Pages{1, 2, 3}},
      // Other characters and broken parts are dropped.
      {" 2 , p4 ", 10, 0, Pages{2, 4}},
      {"-3,4-,,5", 10, 0, Pages{5}},
      {"1-2-3,6", 10, 0, Pages{6}},
      {"", 10, 0, Pages{}},
      {"abc", 10, 0, Pages{}},
      // Pages outside the document are left out and ranges clamped.
      {"0", 10, 0, Pages{}},
      {"12", 10, 0, Pages{}},
      {"9-4000000000", 10, 0, Pages{9, 10}},
      {"99999999999999999999-9", 10, 0, Pages{10, 9}},
      {"0-2", 10, 0, Pages{1, 2}},
      {"1", 0, 0, Pages{}},  // a document without pages
      // Strict modes invalidate the whole text.
      {"1;2", 10, kRangeStrictChars, std::nullopt},
      {"1,2,1", 10, kRangeStrictDuplicates, std::nullopt},
      {"1,11", 10, kRangeStrictRange, std::nullopt},
      {"1,2", 10, kRangeStrictChars | kRangeStrictDuplicates | kRangeStrictRange, Pages{1, 2}},
      // Lists users type: a stray character is an error, not a different list.
      {"1-3,7", 10, kRangeUserList, Pages{1, 2, 3, 7}},
      {"6-4,4", 10, kRangeUserList, Pages{6, 5, 4, 4}},
      {"5-2000000000", 6, kRangeUserList, Pages{5, 6}},
      {"12", 10, kRangeUserList, Pages{}},
      {"8-,-3,0,,", 10, kRangeUserList, Pages{8, 9, 10, 1, 2, 3}},
      {"8-,-3,0,,", 10, kRangeKeepDuplicates, Pages{}},  // open ends only where asked
      {"-", 10, kRangeUserList, Pages{}},
      {"a-b", 10, kRangeUserList, std::nullopt},
      {"1-3;5", 10, kRangeUserList, std::nullopt},
      {"1, 2", 10, kRangeUserList, std::nullopt},
  };
  for (const TRangeCase& c : kCases) {
    SCOPED_TRACE(testing::Message() << '"' << c.Text << "\" of " << c.Last << " pages, flags " << c.Flags);
    EXPECT_EQ(ReadPageRange(c.Text, 1, c.Last, c.Flags), c.Expected);
    EXPECT_EQ(ParsePageRange(c.Text, 1, c.Last, c.Flags), c.Expected.value_or(Pages{}));
    if (c.Flags == kRangeUserList) {
      EXPECT_EQ(ParsePageList(c.Text, c.Last), c.Expected);
    }
  }
}

TEST(PageRange, RepeatedRangesCannotGrowTheListWithoutBound) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "1-100000,";
  EXPECT_EQ(ParsePageRange(text, 1, 100000, kRangeKeepDuplicates).size(), kMaxRangePages);
}

}  // namespace
}  // namespace ostrel
