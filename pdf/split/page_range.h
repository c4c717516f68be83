#pragma once
// Page range lists such as "1-3,7,10-8": the pages they name within a
// document's first..last page.
#include <string_view>
#include <vector>

namespace ostrel {

enum TPageRangeFlags : unsigned {
  kRangeSort = 1,              // sort the result ascending
  kRangeKeepDuplicates = 2,    // a page named twice appears twice
  kRangeStrictChars = 4,       // a character other than digits, "," and "-" invalidates the text
  kRangeStrictDuplicates = 8,  // a page named twice invalidates the text
  kRangeStrictRange = 16,      // a page outside first..last invalidates the text
};

// The pages named, in the order named (ranges run downwards when b < a);
// empty for an invalid text. Pages outside first..last are left out.
std::vector<int> ParsePageRange(std::string_view text, int first, int last, unsigned flags);

// A list never grows beyond this, however often a text repeats its ranges.
inline constexpr size_t kMaxRangePages = 1'000'000;

}  // namespace ostrel
