#pragma once
// TTextComposer: sets lines of text on the pages of one document. It measures
// what a line will take, expands tabs into positions and hands the pieces to
// the page's content writer in the selected font.
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

class TPDFDocument;
class TPDFFont;
class TPDFPainter;

class TTextComposer {
 public:
  explicit TTextComposer(TPDFDocument& document) : document_(document) {}

  // The width in points of each UTF-16 unit of text as Draw sets it in font
  // at size; tabs take 0 here (their advance depends on where they stand).
  std::vector<double> Advances(std::u16string_view text, TPDFFont& font, double size);
  // Tab stops lie every 8 columns of the width of a space.
  static double TabStop(TPDFFont& font, double size);
  // Shows text with its baseline starting at (x, y) in points, in the
  // writer's font and size. A tab moves the rest of the text to the next
  // tab stop counted from x.
  void Draw(TPDFPainter& writer, std::u16string_view text, double x, double y);

 private:
  TPDFDocument& document_;
};

}  // namespace ostrel
