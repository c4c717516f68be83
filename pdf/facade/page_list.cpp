#include "pdf/facade/page_list.h"

#include "pdf/split/page_range.h"

namespace ostrel {

std::optional<std::vector<int>> ParsePageList(std::string_view text, int pageCount) {
  return ReadPageRange(text, 1, pageCount, kRangeUserList);
}

}  // namespace ostrel
