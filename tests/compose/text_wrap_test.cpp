// Breaking lines at the right margin and the tab stops pieces are laid out on.
#include "pdf/compose/text_wrap.h"

#include <gtest/gtest.h>

#include <vector>

namespace ostrel {
namespace {

// Every character one unit wide, tab stops every 4 units.
std::vector<std::u16string> Wrap(std::u16string_view text, double width) {
  std::vector<double> advances(text.size(), 1.0);
  return WrapTextLine(text, advances, 4, width);
}

TEST(TextWrap, BreaksAtBlanksInsideWordsOrNotAtAll) {
  struct Case {
    std::u16string_view Text;
    double Width;
    std::vector<std::u16string> Pieces;
  };
  const Case cases[] = {
      {u"", 10, {u""}},
      {u"short line", 10, {u"short line"}},                         // exactly fits
      {u"one two three", 8, {u"one two", u"three"}},                // at the last blank before the margin
      {u"one   two", 4, {u"one", u"two"}},                           // blanks at the break are dropped
      {u"abcdefghij", 4, {u"abcd", u"efgh", u"ij"}},                // no blank: cut inside the word
      {u"   indented", 5, {u"   in", u"dente", u"d"}},               // leading blanks are no break point
      {u"ab cd   ", 5, {u"ab cd   "}},                               // blanks may hang past the margin
      {u"x\U0001F600y", 2, {u"x\U0001F600", u"y"}},                   // a surrogate pair stays whole
      {u"ab\u0301c", 2, {u"ab\u0301", u"c"}},                         // so does a letter with its accent
      {u"a\tb", 5, {u"a\tb"}},                                       // the tab reaches 4, b ends at 5
      {u"a\tb\tc", 6, {u"a\tb", u"c"}},                              // the second tab would reach 8
  };
  for (const Case& c : cases) EXPECT_EQ(Wrap(c.Text, c.Width), c.Pieces) << std::string(c.Text.begin(), c.Text.end());
}

TEST(TextWrap, TabStopsAreMultiplesBeyondThePen) {
  EXPECT_EQ(NextTabStop(0, 8), 8);
  EXPECT_EQ(NextTabStop(7.9, 8), 8);
  EXPECT_EQ(NextTabStop(8, 8), 16);  // a tab at a stop moves on to the next one
  EXPECT_EQ(NextTabStop(3, 0), 3);
}

}  // namespace
}  // namespace ostrel
