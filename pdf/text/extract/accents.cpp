#include "pdf/text/extract/accents.h"

namespace ostrel {
namespace {

struct TComposition {
  char16_t Accent;
  char16_t Base;  // 0: Letter is the accent's combining mark
  char16_t Letter;
};

constexpr TComposition kCompositions[] = {
#include "data/accent_compositions.inc"
};

constexpr char16_t kDotlessI = 0x0131;

bool IsBasicLatinLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == kDotlessI; }

}  // namespace

bool IsSpacingAccent(char16_t c) {
  for (const TComposition& t : kCompositions)
    if (t.Base == 0 && t.Accent == c) return true;
  return false;
}

std::u16string ComposeAccent(char16_t base, char16_t accent) {
  if (!IsBasicLatinLetter(base)) return {};
  char16_t mark = 0;
  for (const TComposition& t : kCompositions) {
    if (t.Accent != accent) continue;
    if (t.Base == base) return std::u16string(1, t.Letter);
    if (t.Base == 0) mark = t.Letter;
  }
  if (!mark) return {};
  return std::u16string{base == kDotlessI ? u'i' : base, mark};
}

}  // namespace ostrel
