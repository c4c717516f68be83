#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace drevlin {

// Lines of a text: a line ends at CR, LF or CR LF; a last line without a
// terminator counts; a terminator at the very end adds no empty line. The
// lines point into text, bytes of UTF-8 or of a one-byte code page.
std::vector<std::string_view> SplitTextLines(std::string_view text);

}  // namespace drevlin
