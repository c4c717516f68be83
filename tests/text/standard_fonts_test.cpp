#include <gtest/gtest.h>

#include "pdf/text/standard_fonts.h"

namespace ostrel {
namespace {

TEST(StandardFonts, AliasesSelectTheirFont) {
  struct Case { const char* name; int font; };
  for (Case c : {Case{"Courier", 1}, Case{"CourierNewPSMT", 1}, Case{"CourierNew,Bold", 2},
                 Case{"CourierNewPS-BoldItalicMT", 3}, Case{"Courier,Italic", 4}, Case{"Helvetica", 5},
                 Case{"Arial", 5}, Case{"ArialMT", 5}, Case{"Arial,Bold", 6}, Case{"Arial-BoldMT", 6},
                 Case{"Arial,BoldItalic", 7}, Case{"Helvetica-Oblique", 8}, Case{"TimesNewRomanPSMT", 9},
                 Case{"Times-Bold", 10}, Case{"TimesNewRoman,Italic", 11}, Case{"Times-BoldItalic", 12},
                 Case{"Symbol", 13}, Case{"ZapfDingbats", 14}, Case{"Verdana", 0}, Case{"", 0},
                 Case{"arial", 0}}) {
    EXPECT_EQ(MatchStandardFont(c.name), c.font) << c.name;
  }
}

TEST(StandardFonts, TheLastMatchingListWins) {
  // "Bold*" occurs in several lists; the last of them (Times-Bold) wins.
  EXPECT_EQ(MatchStandardFont("Bold"), 10);
}

TEST(StandardFonts, MetricsAndWidths) {
  const TStandardFontInfo* times = StandardFontInfo(9);
  ASSERT_NE(times, nullptr);
  EXPECT_EQ(times->Ascent, 683);
  EXPECT_EQ(times->Descent, -217);
  EXPECT_EQ(times->Box[3], 898);
  EXPECT_EQ(StandardFontInfo(0), nullptr);
  EXPECT_EQ(StandardFontInfo(15), nullptr);

  EXPECT_EQ(StandardGlyphWidth(1, "Euro"), 600);
  EXPECT_EQ(StandardGlyphWidth(5, "space"), 278);
  EXPECT_EQ(StandardGlyphWidth(6, "A"), 722);
  EXPECT_EQ(StandardGlyphWidth(9, "A"), 722);
  EXPECT_EQ(StandardGlyphWidth(5, "Alpha"), 750);
  EXPECT_EQ(StandardGlyphWidth(13, "Alpha"), 722);
  EXPECT_EQ(StandardGlyphWidth(13, "U+0391"), 722);
  EXPECT_EQ(StandardGlyphWidth(13, "A"), 750);
  EXPECT_EQ(StandardGlyphWidth(14, "a1"), 750);
}

}  // namespace
}  // namespace ostrel
