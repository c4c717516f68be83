#include <gtest/gtest.h>

#include <string>

#include "pdf/text/cmaps/pdf_cmap.h"

namespace ostrel {
namespace {

std::string CMap(std::string_view space, std::string_view body) {
  return "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n1 begincodespacerange\n" +
         std::string(space) + "\nendcodespacerange\n" + std::string(body) + "\nendcmap end end\n";
}

TPDFCMap Parse(const std::string& text, bool* oneByte = nullptr) {
  bool flag = false;
  TPDFCMap map = ParseToUnicode(text, flag);
  if (oneByte) *oneByte = flag;
  return map;
}

TEST(ToUnicode, CodeSpaceWidthSetsTheOneByteFlag) {
  bool oneByte = false;
  Parse(CMap("<00> <FF>", ""), &oneByte);
  EXPECT_TRUE(oneByte);
  Parse(CMap("<0000> <FFFF>", ""), &oneByte);
  EXPECT_FALSE(oneByte);
}

TEST(ToUnicode, RangesAndArrays) {
  TPDFCMap map = Parse(CMap("<0000> <FFFF>",
                            "2 beginbfrange\n<0000> <005E> <0020>\n<0100> <0102> [<0041> <0042> <0043>]\nendbfrange"));
  ASSERT_EQ(map.size(), 4u);
  EXPECT_EQ(map[0].FirstCode, 0);
  EXPECT_EQ(map[0].LastCode, 0x5E);
  EXPECT_EQ(map[0].Destination, TResultCodes{0x20});
  EXPECT_EQ(map[2].FirstCode, 0x101);
  EXPECT_EQ(map[2].LastCode, 0x101);
  EXPECT_EQ(map[2].Destination, TResultCodes{0x42});
}

TEST(ToUnicode, CharsWithLongAndOddDestinations) {
  TPDFCMap map = Parse(CMap("<00> <FF>",
                            "3 beginbfchar\n<01> <00660069>\n<02> <006600>\n<03> <D835DC00>\nendbfchar"));
  ASSERT_EQ(map.size(), 3u);
  EXPECT_EQ(map[0].Destination, (TResultCodes{0x66, 0x69}));
  EXPECT_EQ(map[1].Destination, TResultCodes{0x66});  // trailing two digits dropped
  EXPECT_EQ(map[2].Destination, (TResultCodes{0xD835, 0xDC00}));
}

TEST(ToUnicode, TextWrittenInTheWrongByteOrderIsSwappedBack) {
  // "Mult" as <4D00> <7500> <6C00> <7400>, a space as <2000>.
  const std::string swapped = "5 beginbfchar\n<0046> <4D00>\n<006E> <7500>\n<0065> <6C00>\n<0068> <7400>\n"
                              "<0003> <2000>\nendbfchar";
  TPDFCMap map = Parse(CMap("<0000> <FFFF>", swapped));
  ASSERT_EQ(map.size(), 5u);
  EXPECT_EQ(map[0].Destination, TResultCodes{0x4D});
  EXPECT_EQ(map[4].Destination, TResultCodes{0x20});
  // Real CJK text keeps its values: one unit outside the shape, too few
  // entries, or a range, and nothing is swapped.
  for (const std::string& body :
       {std::string("4 beginbfchar\n<01> <4E00>\n<02> <5000>\n<03> <6000>\n<04> <4E01>\nendbfchar"),
        std::string("3 beginbfchar\n<01> <4E00>\n<02> <5000>\n<03> <6000>\nendbfchar"),
        std::string("3 beginbfchar\n<01> <4E00>\n<02> <5000>\n<03> <6000>\nendbfchar\n"
                    "1 beginbfrange\n<10> <12> <7000>\nendbfrange")}) {
    TPDFCMap real = Parse(CMap("<00> <FF>", body));
    ASSERT_FALSE(real.empty()) << body;
    EXPECT_EQ(real[0].Destination, TResultCodes{0x4E00}) << body;
  }
}

TEST(ToUnicode, BlocksInAnyOrderAndCharsEndingAtEndcmap) {
  TPDFCMap map = Parse(CMap("<00> <FF>",
                            "1 beginbfchar <41> <0061> endbfchar\n1 beginbfrange <50> <51> <0070> endbfrange\n"
                            "1 beginbfchar <42> <0062>"));
  ASSERT_EQ(map.size(), 3u);
  EXPECT_EQ(map[0].FirstCode, 0x41);
  EXPECT_EQ(map[1].FirstCode, 0x50);
  EXPECT_EQ(map[2].FirstCode, 0x42);
}

TEST(ToUnicode, ReversedOrHugeRangesYieldNothing) {
  // A low code above the high code must not wrap around into a huge range,
  // and an array beside such a range must not be walked past its end.
  TPDFCMap map = Parse(CMap("<0000> <FFFF>",
                            "3 beginbfrange\n<0005> <0001> <0041>\n<0010> <FFFFFFFF> [<0041> <0042>]\n"
                            "<10000> <10001> <0041>\nendbfrange"));
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map[0].FirstCode, 0x10);
  EXPECT_EQ(map[1].FirstCode, 0x11);
}

TEST(ToUnicode, BadTokensEndTheirBlockAndKeepWhatCameBefore) {
  TPDFCMap map = Parse(CMap("<00> <FF>",
                            "3 beginbfchar\n<41> <0061>\n<123456789> <0062>\n<43> <0063>\nendbfchar\n"
                            "1 beginbfchar <44> <0064> endbfchar\n"
                            "1 beginbfchar <45> <zz> <46> <0066> endbfchar"));
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map[0].FirstCode, 0x41);
  EXPECT_EQ(map[1].FirstCode, 0x44);
}

TEST(ToUnicode, MissingCodeSpaceOrEndKeywordStopsTheParse) {
  EXPECT_TRUE(Parse("1 beginbfchar <41> <0061> endbfchar").empty());
  EXPECT_TRUE(Parse("endcodespacerange <00> <FF> begincodespacerange 1 beginbfchar <41> <0061> endbfchar").empty());
  EXPECT_TRUE(Parse(CMap("<0G> <FF>", "1 beginbfchar <41> <0061> endbfchar")).empty());
  EXPECT_TRUE(Parse(CMap("<00> <FF>", "1 beginbfrange <41> <42> <0061>")).empty());
  EXPECT_TRUE(Parse("").empty());
}

}  // namespace
}  // namespace ostrel
