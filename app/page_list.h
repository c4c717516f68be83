#pragma once
#include <optional>
#include <string_view>
#include <vector>

namespace drevlin {

// Reads a page list such as "1-3,7,10-": ascending or not, as given; an open
// range runs to lastPage. Nothing when the text is malformed.
std::optional<std::vector<int>> ParsePageList(std::string_view text, int lastPage);

}  // namespace drevlin
