#pragma once
// Marked content that carries its own text: a "BDC" whose property list has
// /ActualText stands for what its glyphs show (an emoji drawn from private
// glyphs, a ligature, a formula), and that text is what the page says.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

// A property list is a few hundred bytes; one much longer is damage, and
// looking further would make every "<<" cost a scan of the page.
constexpr size_t kMaxDictionaryBytes = size_t{1} << 16;

// Where the dictionary that starts with "<<" at start ends (past its ">>"),
// strings inside skipped; npos when it does not end within limit bytes.
size_t DictionaryEnd(std::string_view content, size_t start, size_t limit = kMaxDictionaryBytes);

// The /ActualText of a property list written out in full, as UTF-16; none
// when it has none or gives it by reference.
std::optional<std::u16string> ActualTextOf(std::string_view dictionary);

}  // namespace ostrel
