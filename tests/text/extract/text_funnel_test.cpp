// The text funnel: joining runs into blocks, the list, line and grid forms,
// and the renderer's text collection that feeds it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "pdf/text/extract/text_funnel.h"
#include "tests/render/content/render_fixture.h"
#include "platform/text_codec.h"

namespace ostrel {
namespace {

// A run of a 10-point font (1000 glyph units per text-space unit) whose
// glyph origin lands at user-space (x, y); each character is 500 units wide.
TPDFTextRun MakeRun(std::u16string text, double x, double y, std::string color = "#000000") {
  TPDFTextRun run;
  run.Matrix = {0.01, 0, 0, 0.01, x, y};
  run.Widths.assign(text.size(), 500);
  run.Width = 500.0 * text.size();
  run.Height = 700;
  run.Size = 10;
  run.Text = std::move(text);
  run.FontName = "Helvetica";
  run.ColorText = std::move(color);
  return run;
}

std::string Lines(TPDFTextFunnel& funnel) {
  std::u16string text;
  funnel.WriteLines(text);
  return Utf16ToUtf8(text);
}

std::string List(TPDFTextFunnel& funnel) {
  std::u16string text;
  funnel.WriteList(text);
  return Utf16ToUtf8(text);
}

std::string Layout(TPDFTextFunnel& funnel) {
  std::u16string text;
  funnel.LinkLines();
  funnel.WriteLayout(text);
  return Utf16ToUtf8(text);
}

TEST(TextFunnelJoin, ContinuationsJoinWithoutSpaceAndGapsWithOne) {
  TPDFTextFunnel funnel;
  funnel.AddRun(MakeRun(u"ab", 100, 500));
  funnel.AddRun(MakeRun(u"cd", 110, 500));  // starts where "ab" ends
  funnel.AddRun(MakeRun(u"x", 103, 500));   // inside the block on its base line
  ASSERT_EQ(funnel.Blocks.size(), 1u);
  EXPECT_EQ(Lines(funnel), "abcdx\r\n");

  // Half the size to the right: one space whose width is the gap.
  TPDFTextFunnel gap;
  gap.WriteWidths = 1;
  gap.AddRun(MakeRun(u"ab", 100, 500));
  gap.AddRun(MakeRun(u"c", 115, 500));
  EXPECT_EQ(List(gap), "\"Helvetica\",#000000,10,100,500,120,500,120,507,100,507,\"ab c\"\r\n5,5,5,5\r\n");

  // Split words keep the far piece apart; a different colour never joins.
  TPDFTextFunnel split;
  split.SplitWords = 1;
  split.AddRun(MakeRun(u"ab", 100, 500));
  split.AddRun(MakeRun(u"c", 115, 500));
  split.AddRun(MakeRun(u"d", 120, 500, "#FF0000"));
  EXPECT_EQ(Lines(split), "ab\r\nc\r\nd\r\n");
}

TEST(TextFunnelJoin, LetterSpacedCharactersJoinByDistance) {
  // Zero-width single characters as letter-spaced text hands them over:
  // below 0.3 x size no space, up to the size one space, beyond it a block.
  TPDFTextFunnel funnel;
  auto glyph = [&](char16_t c, double x) {
    TPDFTextRun run = MakeRun(std::u16string(1, c), x, 500);
    run.Width = 0;
    run.Widths.clear();
    funnel.AddRun(run);
  };
  glyph(u'a', 100);
  glyph(u'b', 102);    // 2: continuation
  glyph(u'c', 104.8);  // 2.8: a close gap
  glyph(u'd', 109.8);  // 5: a space
  glyph(u'e', 121.8);  // 12: a new block
  EXPECT_EQ(Lines(funnel), "abc d\r\ne\r\n");
  funnel.WriteWidths = 1;
  EXPECT_EQ(List(funnel),
            "\"Helvetica\",#000000,10,100,500,109.8,500,109.8,507,100,507,\"abc d\"\r\n5\r\n"
            "\"Helvetica\",#000000,10,121.8,500,121.8,500,121.8,507,121.8,507,\"e\"\r\n\r\n");
}

TEST(TextFunnelJoin, AreaAndWordGapFactor) {
  TTextExtractionSettings settings;
  settings.UseArea = 1;
  settings.AreaLeft = 50;
  settings.AreaTop = 600;
  settings.AreaWidth = 100;
  settings.AreaHeight = 200;
  settings.WordGapFactor = 1.4;  // doubles the gap that needs no space
  TPDFTextFunnel funnel;
  funnel.ApplySettings(settings);
  funnel.AddRun(MakeRun(u"in", 100, 500));
  funnel.AddRun(MakeRun(u"side", 115, 500));  // a gap of 5 is now close
  funnel.AddRun(MakeRun(u"out", 200, 500));
  funnel.AddRun(MakeRun(u"high", 100, 650));
  EXPECT_EQ(Lines(funnel), "inside\r\n");
}

TEST(TextFunnelOutput, ListEscapesTextAndSortsWhenAsked) {
  TPDFTextFunnel funnel;
  TPDFTextRun run = MakeRun(u"say \"hi\"\rnow", -0.00001, 700.123456);
  run.Size = 10.256;
  run.FontName = "Odd\"Name";
  funnel.AddRun(run);
  funnel.AddRun(MakeRun(u"upper", 300, 750));
  funnel.AddRun(MakeRun(u"left", 20, 750));
  std::string list = List(funnel);
  EXPECT_EQ(list.substr(0, list.find("\r\n")),
            "\"Odd\"Name\",#000000,10.26,0,700.1235,60,700.1235,60,707.1235,0,707.1235,\"say \\\"hi\\\" now\"");
  EXPECT_EQ(Lines(funnel), "say \\\"hi\\\" now\r\nupper\r\nleft\r\n");
  funnel.SortByPosition = 1;
  EXPECT_EQ(Lines(funnel), "left\r\nupper\r\nsay \\\"hi\\\" now\r\n");
}

TEST(TextFunnelLayout, TextAboveTheOriginGivesOneGridLinePerBlock) {
  TPDFTextFunnel funnel;  // BaseHeight 0: every row lies above the grid
  funnel.AddRun(MakeRun(u"second", 100, 680));
  funnel.AddRun(MakeRun(u"first", 72, 700));
  EXPECT_EQ(Layout(funnel), std::string(15, ' ') + "first\r\n" + std::string(21, ' ') + "second\r\n");
}

TEST(TextFunnelLayout, ColumnsStaySideBySideWithGapsBetweenLines) {
  TPDFTextFunnel funnel;
  funnel.BaseHeight = 792;
  for (int line = 0; line < 3; ++line) {
    double y = 700 - 14 * line;
    funnel.AddRun(MakeRun(u"left" + std::u16string(1, u'1' + line), 72, y));
  }
  for (int line = 0; line < 3; ++line) {
    double y = 700 - 14 * line;
    funnel.AddRun(MakeRun(u"right" + std::u16string(1, u'1' + line), 320, y));
  }
  funnel.AddRun(MakeRun(u"footer", 72, 100));
  std::string text = Layout(funnel);
  // Rows are eight units of top-down y: the first line sits in row 11 but
  // the white above it is not written, the next ones follow without gaps,
  // the footer 70 empty lines further down.
  auto line = [](std::string left, std::string right) {
    return std::string(15, ' ') + left + (right.empty() ? "" : std::string(45, ' ') + right) + "\r\n";
  };
  std::string empty = "\r\n";
  std::string expected;
  expected += line("left1", "right1") + line("left2", "right2") + line("left3", "right3");
  for (int i = 0; i < 70; ++i) expected += empty;
  expected += line("footer", "");
  EXPECT_EQ(text, expected);
}

// A column of vertical writing from (x, y) down, as the text collection
// hands it over: the run's x axis points down the page.
TPDFTextRun MakeColumn(std::u16string text, double x, double y) {
  TPDFTextRun run = MakeRun(std::move(text), x, y);
  run.Matrix = {0, -0.01, 0.01, 0, x, y};
  run.Widths.assign(run.Text.size(), 1000);
  run.Width = 1000.0 * run.Text.size();
  run.BaseY = -500;
  run.Height = 1000;
  run.Vertical = true;
  return run;
}

TEST(TextFunnelLayout, ColumnGroupsOfAnUprightPageReadWhereTheyStand) {
  TPDFTextFunnel funnel;
  funnel.BaseHeight = 792;
  funnel.AddRun(MakeRun(u"Heading", 72, 740));
  funnel.AddRun(MakeColumn(u"AAA", 300, 700));  // two columns side by side
  funnel.AddRun(MakeColumn(u"BBB", 315, 700));
  funnel.AddRun(MakeColumn(u"CCC", 100, 500));  // a column on its own
  funnel.AddRun(MakeRun(u"footer text", 72, 100));
  funnel.UprightUnits = 18;
  funnel.VerticalUnits = 9;
  funnel.TurnForColumns();
  const std::string text = Layout(funnel);
  // Each group's lines start at its own left edge: the pair at column 60,
  // the lone column at 20, rightmost column first.
  const size_t a = text.find(std::string(60, ' ') + "BBB\r\n");
  const size_t b = text.find(std::string(60, ' ') + "AAA\r\n");
  const size_t c = text.find(std::string(20, ' ') + "CCC\r\n");
  ASSERT_NE(a, std::string::npos) << text;
  EXPECT_LT(text.find("Heading"), a);
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  EXPECT_LT(c, text.find("footer text"));
}

TEST(TextFunnelLayout, MirroredCyclingAndFarAwayBlocksStayBounded) {
  // Mirrored blocks (right edge left of the left edge) link in ways that
  // left-to-right text never does; every block must still reach the grid.
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    TPDFTextFunnel funnel;
    funnel.BaseHeight = 100;
    std::u16string letters;
    for (int i = 0; i < 12; ++i) {
      char16_t letter = static_cast<char16_t>(u'A' + i);
      TPDFTextRun run = MakeRun(std::u16string(1, letter), random() % 60, 80 + random() % 3);
      run.Matrix[0] = (random() % 2) ? -0.01 : 0.01;
      run.Height = 100 + random() % 800;
      funnel.AddRun(run);
      letters += letter;
    }
    std::u16string text;
    funnel.LinkLines();
    funnel.WriteLayout(text);
    size_t placed = 0;
    for (const TPDFTextFunnelBlock& b : funnel.Blocks) placed += b.Placed;
    ASSERT_EQ(placed, funnel.Blocks.size()) << "round " << round;
    for (const TPDFTextFunnelBlock& b : funnel.Blocks)
      ASSERT_NE(text.find(b.Text), std::u16string::npos) << "round " << round;
  }

  // Grid positions beyond the 500 columns are clipped; a line never starts
  // left of the grid.
  TPDFTextFunnel clipped;
  clipped.AddRun(MakeRun(u"0123456789ABCDEFGHIJKLMNOPQRST", 2400, 700));
  clipped.AddRun(MakeRun(u"left", -100, 650));
  clipped.AddRun(MakeRun(u"far right", 5000, 600));
  EXPECT_EQ(Layout(clipped), std::string(481, ' ') + "0123456789ABCDEFGHI\r\n left\r\n\r\n");

  // A block a billion rows down, or at non-finite places, must not make
  // millions of empty lines.
  TPDFTextFunnel far;
  far.BaseHeight = 792;
  far.AddRun(MakeRun(u"top", 72, 700));
  far.AddRun(MakeRun(u"deep", 72, -8e9));
  TPDFTextRun broken = MakeRun(u"nan", 72, 0);
  broken.Matrix[5] = std::numeric_limits<double>::quiet_NaN();
  broken.Matrix[4] = std::numeric_limits<double>::infinity();
  far.AddRun(broken);
  std::string text = Layout(far);
  EXPECT_LT(text.size(), 2u * TPDFTextFunnel::kMaxLayoutRow + 2000);
  EXPECT_NE(text.find("deep"), std::string::npos);
  EXPECT_EQ(Lines(far), "top\r\ndeep\r\nnan\r\n");
  std::string list = List(far);
  EXPECT_EQ(list.find("nan,"), std::string::npos) << list;  // numbers stay numbers
  EXPECT_EQ(list.find("inf"), std::string::npos) << list;
}

// ---- the renderer's text collection ----

std::string Collect(test::RenderFixture& f, int options, uint8_t cmyk = 0) {
  TPDFRenderer renderer(f.fonts);
  renderer.TextFunnel.SplitWords = options == 4;
  renderer.TextFunnel.CMYKColorText = cmyk;
  renderer.Page = f.Page();
  renderer.CollectPageText();
  std::u16string text;
  if (options == 8) renderer.TextFunnel.WriteLines(text);
  else renderer.TextFunnel.WriteList(text);
  return Utf16ToUtf8(text);
}

void UseHelvetica(test::RenderFixture& f) {
  f.AddResource("Font", "F1",
                f.Indirect(f.Dict("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>")));
}

TEST(TextCollection, ShownTextReachesTheFunnelInUserSpace) {
  test::RenderFixture f;
  UseHelvetica(f);
  f.AddResource("XObject", "X1",
                f.Stream("BT /F1 10 Tf 72 600 Td (in a form) Tj ET",
                         f.Dict("<< /Type /XObject /Subtype /Form /BBox [0 0 612 792] >>")));
  f.SetContent("q 2 0 0 2 0 0 cm BT /F1 5 Tf 36 350 Td (two words) Tj (, more) Tj 3 Tr (hidden) ' ET Q /X1 Do");
  EXPECT_EQ(Collect(f, 8), "two words, more\r\nhidden\r\nin a form\r\n");
  std::string split = Collect(f, 4);
  // The cm applies; the box starts at the descender.
  EXPECT_EQ(split.substr(0, split.find("\r\n")),
            "\"Helvetica\",#000000,10,72,697.93,87.56,697.93,87.56,707.18,72,707.18,\"two\"");
  EXPECT_NE(split.find(",\"words,\"\r\n"), std::string::npos) << split;
  EXPECT_NE(split.find(",\"more\"\r\n"), std::string::npos) << split;
}

TEST(TextCollection, WordsPartWhereTheGapReachesAShareOfTheSpace) {
  test::RenderFixture f;
  UseHelvetica(f);
  // Justified text kerns words apart by about a space (278 here) and
  // letters together by little; a gap of a whole space counts at any size.
  f.SetContent("BT /F1 10 Tf 72 700 Td [(The) -280 (compo) -20 (nents) -200 (of)] TJ ET "
               "BT /F1 40 Tf 72 600 Td [(big) -300 (words)] TJ ET");
  EXPECT_EQ(Collect(f, 8), "The components of\r\nbig words\r\n");
}

TEST(TextCollection, LigaturesReadAsTheirLetters) {
  test::RenderFixture f;
  f.AddResource("Font", "F1",
                f.Indirect(f.Dict("<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman "
                                  "/Encoding << /Differences [1 /fi /ffl] >> >>")));
  f.SetContent("BT /F1 10 Tf 72 700 Td (\\001nd wa\\002e) Tj ET");
  EXPECT_EQ(Collect(f, 8), "find waffle\r\n");
}

TEST(TextCollection, LetterSpacingAndColours) {
  test::RenderFixture f;
  UseHelvetica(f);
  f.SetContent("BT /F1 10 Tf 72 700 Td 1 0 0 rg 2 Tc (ab) Tj ET BT /F1 10 Tf 72 600 Td 0 Tc 0 0 0 1 k (ink) Tj ET");
  std::string list = Collect(f, 3);
  // 2 points of spacing: each letter is its own zero-width run, and an
  // advance of 7.56 points puts a space between them.
  EXPECT_NE(list.find("\"Helvetica\",#FF0000,10,72,"), std::string::npos) << list;
  EXPECT_NE(list.find(",\"a b\"\r\n"), std::string::npos) << list;
  EXPECT_NE(list.find(",\"ink\"\r\n"), std::string::npos) << list;
  EXPECT_NE(Collect(f, 3, 1).find(",000000FF,"), std::string::npos);
}

}  // namespace
}  // namespace ostrel
