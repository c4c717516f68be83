#pragma once
// TTextComposer: sets lines of text on the pages of one document. It measures
// what a line will take, expands tabs into positions and hands the pieces to
// the page's content writer. Text the selected standard font can show goes
// out in that font; a text with characters outside Windows-1252 is set in
// embedded subsets of installed fonts, each character in the first font of
// its script's list that has it.
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/text/embedding/fallback_fonts.h"

namespace ostrel {

class TPDFDocument;
class TPDFEmbeddedFont;
class TPDFFont;
class TPDFPainter;

class TTextComposer {
 public:
  explicit TTextComposer(TPDFDocument& document);
  ~TTextComposer();

  // The width in points of each UTF-16 unit of text as Draw sets it in font
  // at size; tabs take 0 here (their advance depends on where they stand).
  std::vector<double> Advances(std::u16string_view text, TPDFFont& font, double size);
  // Tab stops lie every 8 columns of the width of a space.
  static double TabStop(TPDFFont& font, double size);
  // Shows text with its baseline starting at (x, y) in points, in the
  // writer's font and size. A tab moves the rest of the text to the next
  // tab stop counted from x.
  void Draw(TPDFPainter& writer, std::u16string_view text, double x, double y);
  // Completes the embedded fonts (subset programs, widths, ToUnicode maps)
  // with every glyph shown so far; called before the document is saved.
  void Finish();

 private:
  // A stretch of text in one embedded font (nullptr: characters none has).
  struct TRun {
    TPDFEmbeddedFont* Font;
    size_t Begin, End;  // UTF-16 units
  };
  bool NeedsEmbedding(std::u16string_view text, const TPDFFont& font) const;
  // The runs of text; valid until the next call.
  const std::vector<TRun>& Runs(std::u16string_view text);
  TPDFEmbeddedFont* FontOf(TFallbackFamily family);
  void DrawStretch(TPDFPainter& writer, std::u16string_view text, bool embedded, double x, double y);

  TPDFDocument& document_;
  std::array<std::unique_ptr<TPDFEmbeddedFont>, kFallbackFamilyCount> fonts_;
  std::array<bool, kFallbackFamilyCount> looked_{};
  // Han characters follow the East Asian script the text showed last.
  TEastAsian hanAs_ = TEastAsian::Chinese;
  // A line is measured for wrapping, then measured and drawn: the runs of
  // the last text are kept so that they are found once.
  std::u16string lastText_;
  std::vector<TRun> lastRuns_;
  bool runsKnown_ = false;
  std::u32string shown_;  // the characters of one run, kept to reuse its storage
};

}  // namespace ostrel
