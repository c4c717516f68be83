#include "pdf/compose/text_wrap.h"

#include <cmath>

namespace ostrel {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// A break is never made between a surrogate pair or before a combining mark:
// both would tear one visible character apart.
bool CanBreakBefore(std::u16string_view text, size_t i) {
  char16_t c = text[i];
  if (c >= 0xDC00 && c <= 0xDFFF) return false;
  return !(c >= 0x0300 && c <= 0x036F);
}

// Rounding of widths summed in doubles must not push a piece that fits
// exactly over the margin.
constexpr double kSlack = 1e-6;

}  // namespace

double NextTabStop(double x, double tabStop) {
  if (!(tabStop > 0)) return x;
  return (std::floor(x / tabStop + kSlack) + 1) * tabStop;
}

std::vector<std::u16string> WrapTextLine(std::u16string_view text, std::span<const double> advances,
                                         double tabStop, double maxWidth) {
  std::vector<std::u16string> pieces;
  size_t start = 0;
  while (true) {
    double x = 0;
    size_t blankRun = std::u16string_view::npos;  // first blank of the last run of blanks after a non-blank
    size_t cut = text.size();
    bool seenInk = false;
    for (size_t i = start; i < text.size(); ++i) {
      char16_t c = text[i];
      double next = c == u'\t' ? NextTabStop(x, tabStop) : x + (i < advances.size() ? advances[i] : 0);
      if (IsBlank(c)) {
        // Blanks may hang past the margin: only a visible character forces a break.
        if (seenInk && (i == start || !IsBlank(text[i - 1]))) blankRun = i;
        x = next;
        continue;
      }
      if (next > maxWidth + kSlack && seenInk && CanBreakBefore(text, i)) {
        cut = i;
        break;
      }
      seenInk = true;
      x = next;
    }
    if (cut == text.size()) {
      pieces.emplace_back(text.substr(start));
      return pieces;
    }
    size_t end = cut, resume = cut;
    if (blankRun != std::u16string_view::npos) {
      end = blankRun;
      resume = blankRun;
      while (resume < text.size() && IsBlank(text[resume])) ++resume;
    }
    pieces.emplace_back(text.substr(start, end - start));
    if (resume >= text.size()) return pieces;
    start = resume;
  }
}

}  // namespace ostrel
