#pragma once
// INDEX structures and dictionaries of compact font programs.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// The items of the INDEX at pos; end receives the position after it. An
// INDEX whose offsets go backwards, start anywhere but 1, or run past the
// data is rejected as a whole (no items, end at the data's end).
std::vector<std::string_view> ReadCFFIndex(std::string_view data, size_t pos, size_t& end);

// The dictionary's operators written as the text of a PDF dictionary
// ("<< /Name value ... >>"). Strings are looked up by SID among the standard
// strings and then in strings (SID - 391); they are escaped for the parser.
std::string CFFDictToText(std::string_view dict, const std::vector<std::string_view>& strings, bool isPrivate);

}  // namespace ostrel
