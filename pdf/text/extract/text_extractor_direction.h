#pragma once
// Text written glyph by glyph in reading order. Writers draw right-to-left
// scripts (Hebrew, Arabic) in visual order, the first glyph of a word at its
// left end, so content order is the reverse of reading order there: runs of
// such glyphs are turned round as they arrive. A glyph's own text is kept
// whole (a ligature or a shaped cluster may stand for several letters
// already in reading order).
#include <string>
#include <string_view>

namespace ostrel {

class TDirectedText {
 public:
  explicit TDirectedText(std::u16string& out) : out_(out) {}

  // The text of one glyph.
  void AddGlyph(std::u16string_view text);
  // Text that belongs to no glyph: a gap's space. Between two right-to-left
  // glyphs it is turned round with them.
  void AddGap(std::u16string_view text);
  // A line break: no run continues across it.
  void AddBreak(std::u16string_view text);
  // Starts afresh; the next glyph begins no run.
  void EndRun() { runStart_ = kNoRun; }
  size_t Size() const { return out_.size(); }

 private:
  static constexpr size_t kNoRun = static_cast<size_t>(-1);
  // Every glyph is put in front of its run, which costs the run's length: a
  // run is cut here so that a page of one endless run stays linear. Real
  // lines are far shorter.
  static constexpr size_t kMaxRun = 1024;

  std::u16string& out_;
  size_t runStart_ = kNoRun;  // where the current right-to-left run begins
  size_t tail_ = 0;           // gap text written after the run's last glyph
};

// 1 when the first character with a direction reads right to left, -1 when
// it reads left to right (digits count so), 0 when there is none.
int TextDirection(std::u16string_view text);

}  // namespace ostrel
