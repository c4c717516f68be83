#pragma once
// Marked content that carries its own text: a "BDC" whose property list has
// /ActualText stands for what its glyphs show (an emoji drawn from private
// glyphs, a ligature, a formula), and that text is what the page says.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

// The /ActualText of a property list written out in full, as UTF-16; none
// when it has none or gives it by reference.
std::optional<std::u16string> ActualTextOf(std::string_view dictionary);

}  // namespace ostrel
