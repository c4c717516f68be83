#include "app/page_list.h"

#include <charconv>

namespace drevlin {
namespace {

bool ReadNumber(std::string_view text, int& value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= 1;
}

}  // namespace

std::optional<std::vector<int>> ParsePageList(std::string_view text, int lastPage) {
  std::vector<int> pages;
  while (!text.empty()) {
    size_t comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    size_t dash = item.find('-');
    int first = 0;
    int last = 0;
    if (dash == std::string_view::npos) {
      if (!ReadNumber(item, first)) return std::nullopt;
      last = first;
    } else {
      if (!ReadNumber(item.substr(0, dash), first)) return std::nullopt;
      std::string_view tail = item.substr(dash + 1);
      if (tail.empty()) {
        last = lastPage;
      } else if (!ReadNumber(tail, last)) {
        return std::nullopt;
      }
    }
    // Pages beyond the document are dropped here, so a huge range costs nothing.
    for (int p = first; p <= last && p <= lastPage; ++p) pages.push_back(p);
  }
  return pages;
}

}  // namespace drevlin
