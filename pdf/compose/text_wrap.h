#pragma once
// Breaking one line of text into the pieces that fit between the margins,
// and the tab stops the pieces are laid out on.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// Where a tab at x moves the pen: the next multiple of tabStop beyond x.
double NextTabStop(double x, double tabStop);

// The pieces of text, each no wider than maxWidth where that is possible.
// advances holds the width of each UTF-16 unit as drawn (tabs excepted: they
// advance to the next tab stop, counted from the start of their piece). A
// piece ends at the last blank before the first character that would cross
// maxWidth, the blanks there dropped; a piece without such a blank is cut
// inside its word. An empty line gives one empty piece.
std::vector<std::u16string> WrapTextLine(std::u16string_view text, std::span<const double> advances,
                                         double tabStop, double maxWidth);

}  // namespace ostrel
