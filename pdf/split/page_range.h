#pragma once
// Page range lists such as "1-3,7,10-8": the pages they name within a
// document's first..last page.
#include <optional>
#include <string_view>
#include <vector>

namespace ostrel {

enum TPageRangeFlags : unsigned {
  kRangeSort = 1,              // sort the result ascending
  kRangeKeepDuplicates = 2,    // a page named twice appears twice
  kRangeStrictChars = 4,       // a character other than digits, "," and "-" invalidates the text
  kRangeStrictDuplicates = 8,  // a page named twice invalidates the text
  kRangeStrictRange = 16,      // a page outside first..last invalidates the text
  kRangeOpenEnds = 32,         // "8-" runs to last, "-3" from first
};

// How a list typed by a user is read: in the order named, a page named twice
// appearing twice, a stray character an error rather than dropped (so
// "1-3;5" is not read as "1-35"), and "10-" meaning page 10 to the end.
inline constexpr unsigned kRangeUserList = kRangeKeepDuplicates | kRangeStrictChars | kRangeOpenEnds;

// The pages named, in the order named (ranges run downwards when b < a);
// nothing for a text the strict flags reject. Pages outside first..last are
// left out.
std::optional<std::vector<int>> ReadPageRange(std::string_view text, int first, int last, unsigned flags);

// ReadPageRange with an invalid text giving an empty list.
std::vector<int> ParsePageRange(std::string_view text, int first, int last, unsigned flags);

// A list never grows beyond this, however often a text repeats its ranges.
inline constexpr size_t kMaxRangePages = 1'000'000;

}  // namespace ostrel
