#include "pdf/compose/page_painter.h"

#include <gtest/gtest.h>

#include "pdf/core/pdf_structure.h"
#include "pdf/text/pdf_font.h"

namespace ostrel {
namespace {

struct PainterTest : ::testing::Test {
  TPDFStructure pool;
  TPDFFont font{pool, "OstrelF0123abcd"};
  TPDFPainter painter;
  int flushes = 0;

  PainterTest() {
    font.SetupStandardFont("Helvetica", 5);
    painter.OnFlush = [this] { ++flushes; };
    painter.Reset();
    flushes = 0;
  }
};

TEST_F(PainterTest, TwoTextsOnAFreshPageShareOneTextObject) {
  painter.SetFont(&font, 12);
  painter.DrawText(u"first", 20, 752);
  painter.DrawText(u"second", 20, 732);
  EXPECT_EQ(painter.Buffer,
            "0 Tr\n"
            "/OstrelF0123abcd 12 Tf\n"
            "0 0 0 rg\n"
            "100 Tz\n"
            "0 Ts\n"
            "0 Tw 0 Tc\n"
            "BT\n"
            "1 0 0 1 20 752 Tm\n"
            "(first)Tj\n"
            "1 0 0 1 20 732 Tm\n"
            "(second)Tj\n"
            "ET\n");
  EXPECT_EQ(flushes, 2);
}

TEST_F(PainterTest, ChangingTheFontClosesTheTextObjectAndRewritesItsState) {
  painter.SetFont(&font, 12);
  painter.DrawText(u"a", 20, 752);
  painter.SetFont(&font, 0);  // not above 0: size 1
  painter.DrawText(u"b", 20, 732);
  EXPECT_EQ(painter.Buffer.substr(painter.Buffer.find("(a)Tj\n")),
            "(a)Tj\n"
            "ET\n"
            "/OstrelF0123abcd 1 Tf\n"
            "0 0 0 rg\n"
            "BT\n"
            "1 0 0 1 20 732 Tm\n"
            "(b)Tj\n"
            "ET\n");
  EXPECT_EQ(painter.FontSize(), 1);
}

TEST_F(PainterTest, NumbersKeepAtMostFourDecimals) {
  painter.SetFont(&font, 10.5);
  painter.DrawText(u"x", 1.0 / 3, 752.5);
  painter.DrawText(u"y", -0.00001, 612.00004);
  EXPECT_NE(painter.Buffer.find("/OstrelF0123abcd 10.5 Tf\n"), std::string::npos);
  EXPECT_NE(painter.Buffer.find("1 0 0 1 0.3333 752.5 Tm\n"), std::string::npos);
  EXPECT_NE(painter.Buffer.find("1 0 0 1 0 612 Tm\n"), std::string::npos);
}

TEST_F(PainterTest, LiteralStringsEscapeDelimitersAndControlBytes) {
  painter.SetFont(&font, 12);
  painter.DrawText(u"a(b)c\\d", 0, 0);
  EXPECT_NE(painter.Buffer.find("(a\\(b\\)c\\\\d)Tj\n"), std::string::npos);

  // Helvetica shows no control characters; map them to test the escapes.
  for (char c : std::string("\b\t\n\f\r\x01")) {
    font.CharacterMap.AddMapping(TPDFFont::kCharacterKind, static_cast<unsigned char>(c), std::string(1, c));
  }
  painter.DrawText(u"\b\t\n\f\r\x01", 0, 0);
  EXPECT_NE(painter.Buffer.find("(\\b\\t\\n\\f\\r\x01)Tj\n"), std::string::npos);
}

TEST_F(PainterTest, TextsTheFontCannotShowLeaveAnEmptyString) {
  painter.SetFont(&font, 12);
  painter.DrawText(u"", 0, 0);
  EXPECT_NE(painter.Buffer.find("()Tj\n"), std::string::npos);
  EXPECT_EQ(font.EncodeText(u"\u0141"), " ");  // unfiltered text shows spaces
}

TEST_F(PainterTest, ImagesAreGroupedOnePerPlacement) {
  painter.PlaceImage("OstrelIm1", 0, 480, 640, 480);
  painter.PlaceImage("OstrelIm2", 10.5, 300, 100, 50, nullptr, TImageFit::Square);
  EXPECT_EQ(painter.Buffer,
            "q\n640 0 0 480 0 0 cm\n/OstrelIm1 Do\nQ\n"
            "q\n50 0 0 50 10.5 250 cm\n/OstrelIm2 Do\nQ\n");
  EXPECT_EQ(flushes, 2);
}

TEST_F(PainterTest, StencilMasksArePaintedInTheFillColour) {
  TPDFDictionary* mask = pool.NewDictionary();
  mask->SetValue("ImageMask", pool.NewBoolean(true));
  mask->SetValue("BitsPerComponent", pool.NewNumeric(1));
  mask->SetValue("Decode", pool.NewIntegerArray({1, 0}));
  EXPECT_TRUE(IsStencilMask(mask));
  painter.SetFillColor(2, -1, 0.5);  // clamped
  painter.PlaceImage("M", 0, 10, 10, 10, mask);
  // Each group restores the colour on leaving, so each mask sets it again.
  painter.PlaceImage("M", 0, 10, 10, 10, mask);
  EXPECT_EQ(painter.Buffer,
            "q\n1 0 0.5 rg\n10 0 0 10 0 0 cm\n/M Do\nQ\n"
            "q\n1 0 0.5 rg\n10 0 0 10 0 0 cm\n/M Do\nQ\n");

  mask->SetValue("SMask", pool.NewIndRef(9, 0));
  EXPECT_FALSE(IsStencilMask(mask));
  mask->DeleteKey("SMask");
  mask->SetValue("Decode", pool.NewIntegerArray({0, 2}));
  EXPECT_FALSE(IsStencilMask(mask));
  mask->DeleteKey("Decode");
  mask->SetValue("ColorSpace", pool.NewName("DeviceGray"));
  EXPECT_FALSE(IsStencilMask(mask));
  EXPECT_FALSE(IsStencilMask(nullptr));
}

TEST_F(PainterTest, LoadedContentIsExtendedAndResetStartsOver) {
  painter.LoadContent("0 g");
  EXPECT_EQ(painter.Buffer, "0 g ");
  EXPECT_EQ(painter.ContentText(), "0 g \n");
  EXPECT_EQ(flushes, 0);
  painter.SetFont(&font, 12);
  painter.DrawText(u"a", 1, 2);
  EXPECT_EQ(painter.Buffer.rfind("0 g 0 Tr\n", 0), 0u);

  painter.Reset();
  EXPECT_EQ(painter.Buffer, "");
  EXPECT_EQ(painter.ContentText(), "");
  EXPECT_EQ(painter.Font(), nullptr);
  EXPECT_EQ(painter.FontSize(), 0);
  painter.FlushEnabled = false;
  painter.SetTextRenderMode(9);  // out of range: mode 0
  painter.SetFont(&font, 12);
  painter.DrawText(u"a", 1, 2);
  EXPECT_EQ(painter.Buffer.rfind("0 Tr\n/OstrelF0123abcd 12 Tf\n", 0), 0u);
  EXPECT_EQ(flushes, 2);  // the reset; nothing while switched off
}

TEST_F(PainterTest, RunsInAnotherFontShareTheTextObjectAndGiveTheFontBack) {
  painter.SetFont(&font, 12);
  painter.DrawText(u"a", 20, 752);
  painter.DrawCodes("OstrelFcid00001", std::string("\x00\x01\x01\x02", 4), 26, 752);
  painter.DrawCodes("OstrelFcid00001", std::string("\x00\x03", 2), 40, 752);
  painter.DrawText(u"b", 20, 732);
  EXPECT_EQ(painter.Buffer,
            "0 Tr\n/OstrelF0123abcd 12 Tf\n0 0 0 rg\n100 Tz\n0 Ts\n0 Tw 0 Tc\nBT\n"
            "1 0 0 1 20 752 Tm\n(a)Tj\n"
            "/OstrelFcid00001 12 Tf\n1 0 0 1 26 752 Tm\n<00010102>Tj\n"
            "1 0 0 1 40 752 Tm\n<0003>Tj\nET\n"  // the same font is not set twice
            "/OstrelF0123abcd 12 Tf\nBT\n1 0 0 1 20 732 Tm\n(b)Tj\nET\n");
}

// The text handed over after each request is only extended where it can be:
// whatever the painter did in between (text taken back, reset, new content),
// the receiving string ends up equal to ContentText().
TEST_F(PainterTest, HandedOverTextAlwaysEqualsTheContentText) {
  std::string stream;
  auto check = [&](const char* step) {
    painter.CopyContentText(stream);
    EXPECT_EQ(stream, painter.ContentText()) << step;
  };
  check("empty");
  painter.LoadContent("0 g");
  check("loaded content without a final LF");
  painter.SetFont(&font, 12);
  painter.DrawText(u"first", 20, 752);
  check("first text");
  painter.DrawText(u"second", 20, 732);  // reopens the text object: takes "ET" back
  check("text object reopened");
  painter.DrawCodes("OstrelFcid00001", std::string("\x00\x01", 2), 26, 752);
  check("another font");
  stream = "replaced by someone else";
  check("changed by someone else");
  std::string other = "unrelated";
  painter.CopyContentText(other);
  EXPECT_EQ(other, painter.ContentText()) << "another string";
  painter.Reset();
  check("reset");
  painter.AppendLine("1 0 0 RG");
  check("after reset");
}

}  // namespace
}  // namespace ostrel
