#include "pdf/text/latin_charset.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

namespace ostrel {
namespace {

constexpr TLatinChar kLatin[] = {
#include "data/latin_charset.inc"
};
static_assert(std::size(kLatin) == 229);

}  // namespace

std::span<const TLatinChar> LatinCharset() { return kLatin; }

const TLatinChar* FindLatinChar(std::string_view name) {
  auto it = std::lower_bound(std::begin(kLatin), std::end(kLatin), name,
                             [](const TLatinChar& c, std::string_view n) { return std::string_view(c.Name) < n; });
  return it != std::end(kLatin) && it->Name == name ? &*it : nullptr;
}

unsigned char WinAnsiByteOf(char16_t unicode) {
  // Every font record resolves 256 names; a sorted index keeps that cheap.
  using Pair = std::pair<char16_t, unsigned char>;
  static const std::array<Pair, std::size(kLatin)> index = [] {
    std::array<Pair, std::size(kLatin)> pairs;
    for (size_t i = 0; i < pairs.size(); ++i)
      pairs[i] = {kLatin[i].Unicode, static_cast<unsigned char>(kLatin[i].Codes[kWinAnsiEncoding] & 0xFF)};
    std::sort(pairs.begin(), pairs.end());
    return pairs;
  }();
  auto it = std::lower_bound(index.begin(), index.end(), Pair{unicode, 0});
  return it != index.end() && it->first == unicode ? it->second : 0;
}

}  // namespace ostrel
