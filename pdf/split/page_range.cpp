#include "pdf/split/page_range.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_set>

namespace ostrel {
namespace {

bool IsRangeChar(char c) { return (c >= '0' && c <= '9') || c == ',' || c == '-'; }

// A run of digits; values beyond 32 bits are clamped, which is outside every
// page range anyway. False for an empty or non-digit text.
bool ReadNumber(std::string_view text, int64_t& value) {
  if (text.empty()) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = std::min<int64_t>(value * 10 + (c - '0'), INT64_C(1) << 40);
  }
  return true;
}

}  // namespace

std::optional<std::vector<int>> ReadPageRange(std::string_view text, int first, int last, unsigned flags) {
  std::string kept;
  for (char c : text) {
    if (IsRangeChar(c)) {
      kept += c;
    } else if (flags & kRangeStrictChars) {
      return std::nullopt;
    }
  }
  std::vector<int> pages;
  std::unordered_set<int> seen;
  std::string_view rest = kept;
  while (!rest.empty()) {
    const size_t comma = rest.find(',');
    const std::string_view part = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    const size_t dash = part.find('-');
    int64_t a = 0;
    int64_t b = 0;
    if (dash == std::string_view::npos) {
      if (!ReadNumber(part, a)) continue;
      b = a;
    } else {
      const std::string_view left = part.substr(0, dash), right = part.substr(dash + 1);
      // One missing end of a range stands for the first or the last page.
      const bool open = (flags & kRangeOpenEnds) && (left.empty() != right.empty());
      auto readEnd = [open](std::string_view digits, int64_t missing, int64_t& value) {
        if (open && digits.empty()) {
          value = missing;
          return true;
        }
        return ReadNumber(digits, value);
      };
      if (!readEnd(left, first, a) || !readEnd(right, last, b)) continue;
    }
    if (flags & kRangeStrictRange) {
      if (std::min(a, b) < first || std::max(a, b) > last) return std::nullopt;
    }
    // Clamped to first..last before walking, so "1-4000000000" costs no more
    // than the document has pages.
    const int step = b < a ? -1 : 1;
    const int64_t from = std::clamp<int64_t>(a, first, std::max(first, last));
    const int64_t to = std::clamp<int64_t>(b, first, std::max(first, last));
    if (first > last || (a < first && b < first) || (a > last && b > last)) continue;
    for (int64_t page = from;; page += step) {
      const bool isNew = seen.insert(static_cast<int>(page)).second;
      if (!isNew && (flags & kRangeStrictDuplicates)) return std::nullopt;
      if (isNew || (flags & kRangeKeepDuplicates)) pages.push_back(static_cast<int>(page));
      if (page == to || pages.size() >= kMaxRangePages) break;
    }
    if (pages.size() >= kMaxRangePages) break;
  }
  if (flags & kRangeSort) std::sort(pages.begin(), pages.end());
  return pages;
}

std::vector<int> ParsePageRange(std::string_view text, int first, int last, unsigned flags) {
  return ReadPageRange(text, first, last, flags).value_or(std::vector<int>{});
}

}  // namespace ostrel
