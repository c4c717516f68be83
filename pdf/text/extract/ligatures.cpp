#include "pdf/text/extract/ligatures.h"

#include <array>
#include <string_view>

namespace ostrel {
namespace {

constexpr char16_t kFirstLigature = 0xFB00;
// ff, fi, fl, ffi, ffl, long s t, st.
constexpr std::array<std::u16string_view, 7> kLetters{u"ff", u"fi", u"fl", u"ffi", u"ffl", u"st", u"st"};

bool IsLigature(char16_t c) { return c >= kFirstLigature && c < kFirstLigature + kLetters.size(); }

}  // namespace

std::u16string ExpandLigatures(std::u16string text) {
  bool any = false;
  for (char16_t c : text) any = any || IsLigature(c);
  if (!any) return text;
  std::u16string out;
  out.reserve(text.size() + 2);
  for (char16_t c : text) {
    if (IsLigature(c))
      out += kLetters[c - kFirstLigature];
    else
      out += c;
  }
  return out;
}

}  // namespace ostrel
