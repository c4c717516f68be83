#include <gtest/gtest.h>

#include <string>

#include "pdf/text/extract/accents.h"

namespace ostrel {
namespace {

TEST(Accents, LettersWithTheirAccents) {
  struct TCase {
    char16_t Base, Accent;
    std::u16string Expected;
  };
  const TCase cases[] = {
      {u'e', u'\u00B4', u"\u00E9"},         // acute
      {u'E', u'`', u"\u00C8"},              // grave, drawn as the ASCII backtick
      {u'u', u'\u00A8', u"\u00FC"},         // dieresis
      {u'c', u'\u02C7', u"\u010D"},         // caron
      {u'\u0131', u'\u00B4', u"\u00ED"},    // TeX's dotless i takes the accent as i
      {u'P', u'\u02C6', u"P\u0302"},        // no precomposed letter: the combining mark
      {u'1', u'\u00B4', u""},               // no letter
      {u'\u00E9', u'\u00B4', u""},          // already accented
      {u'e', u'x', u""},                    // no accent
  };
  for (const TCase& c : cases)
    EXPECT_EQ(ComposeAccent(c.Base, c.Accent), c.Expected)
        << static_cast<int>(c.Base) << " " << static_cast<int>(c.Accent);
  EXPECT_TRUE(IsSpacingAccent(u'\u02DD'));
  EXPECT_FALSE(IsSpacingAccent(u'^'));
}

}  // namespace
}  // namespace ostrel
