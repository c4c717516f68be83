#include "pdf/text/extract/text_extractor_direction.h"

namespace ostrel {
namespace {

// Hebrew, Arabic, Syriac, Thaana, N'Ko and their presentation forms.
bool IsRightToLeft(char16_t c) {
  return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFC);
}

// Letters and digits of other scripts; marks, spaces and punctuation have no
// direction of their own.
bool IsLeftToRight(char16_t c) {
  if (c >= u'0' && c <= u'9') return true;
  if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return true;
  if (c < 0x00C0 || c == 0x00D7 || c == 0x00F7) return false;
  if (c >= 0x2000 && c <= 0x2BFF) return false;  // punctuation, symbols, arrows
  if (c >= 0x3000 && c <= 0x303F) return false;  // CJK punctuation
  if (c >= 0xFE00 && c <= 0xFE6F) return false;  // variation selectors, small forms
  if (c >= 0xFF00 && c <= 0xFF20) return false;  // full-width punctuation
  if (c >= 0x0300 && c <= 0x036F) return false;  // combining marks
  return !IsRightToLeft(c);
}

}  // namespace

int TextDirection(std::u16string_view text) {
  for (char16_t c : text) {
    if (IsRightToLeft(c)) return 1;
    if (IsLeftToRight(c)) return -1;
  }
  return 0;
}

void TDirectedText::AddGlyph(std::u16string_view text) {
  const int direction = TextDirection(text);
  if (direction <= 0) {
    // Neutral glyphs inside a run go with it, as gaps do.
    if (direction == 0 && runStart_ != kNoRun) {
      AddGap(text);
      return;
    }
    runStart_ = kNoRun;
    out_ += text;
    return;
  }
  if (runStart_ == kNoRun || out_.size() - runStart_ >= kMaxRun) {
    runStart_ = out_.size();
    tail_ = 0;
    out_ += text;
    return;
  }
  // Before the glyphs of the run so far: first the gap that separates them
  // from this one, then the glyph itself.
  std::u16string moved = out_.substr(out_.size() - tail_);
  out_.erase(out_.size() - tail_);
  moved.insert(0, text);
  out_.insert(runStart_, moved);
  tail_ = 0;
}

void TDirectedText::AddGap(std::u16string_view text) {
  out_ += text;
  if (runStart_ != kNoRun) tail_ += text.size();
}

void TDirectedText::AddBreak(std::u16string_view text) {
  runStart_ = kNoRun;
  out_ += text;
}

}  // namespace ostrel
