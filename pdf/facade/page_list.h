#pragma once
// Page lists as users type them ("1-3,7,10-8"), read by the same grammar the
// library uses for page ranges, so the command line, the window and page
// extraction never disagree about what a list names.
#include <optional>
#include <string_view>
#include <vector>

namespace ostrel {

// The pages of 1..pageCount the list names, in the order named (a range runs
// downwards when its second number is smaller), a page named twice appearing
// twice; pages outside the document are left out, so the result may be
// empty. Nothing when the text holds a character other than digits, "," and
// "-".
std::optional<std::vector<int>> ParsePageList(std::string_view text, int pageCount);

}  // namespace ostrel
