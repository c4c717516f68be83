#pragma once
#include <string>
#include <vector>

namespace drevlin {

// Lines of a text: a line ends at CR, LF or CR LF; a last line without a
// terminator counts; a terminator at the very end adds no empty line.
std::vector<std::u16string> SplitTextLines(const std::u16string& text);

}  // namespace drevlin
