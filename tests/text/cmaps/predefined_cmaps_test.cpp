// The predefined CJK CMaps: shown bytes split by each CMap's code space and
// read through its collection's CID-to-Unicode table. Expected texts are the
// same bytes decoded by the national encodings the CMaps follow.
#include <gtest/gtest.h>

#include <string>

#include "pdf/text/cmaps/predefined_cmaps.h"

namespace ostrel {
namespace {

std::u16string TextOf(std::string_view cmap, std::string_view collection, std::string_view bytes) {
  bool handled = false;
  std::u16string text;
  for (uint32_t code : SplitPredefined(cmap, bytes, handled)) text += PredefinedCodeText(cmap, collection, code);
  return text;
}

TEST(PredefinedCMaps, EachFamilyReadsItsNationalEncoding) {
  struct TCase {
    const char* CMap;
    const char* Collection;
    std::string Bytes;
    TOstrelCodeList Codes;
    std::u16string Text;
  };
  const TCase cases[] = {
      {"GB-EUC-H", "Adobe-GB1-0", "\xD6\xD0\xCE\xC4" "A", {0xD6D0, 0xCEC4, 0x41}, u"\u4E2D\u6587A"},
      {"GBK-EUC-H", "Adobe-GB1-2", "\x81\x40\xD6\xD0", {0x8140, 0xD6D0}, u"\u4E02\u4E2D"},
      {"GBKp-EUC-H", "Adobe-GB1-2", "\x81\x40 ", {0x8140, 0x20}, u"\u4E02 "},
      // GB 18030 adds four-byte codes.
      {"GBK2K-H", "Adobe-GB1-4", "\x81\x30\x84\x36\xD6\xD0", {0x81308436, 0xD6D0}, u"\u00A5\u4E2D"},
      {"B5pc-H", "Adobe-CNS1-0", "\xA4\xA4\xA4\xE5", {0xA4A4, 0xA4E5}, u"\u4E2D\u6587"},
      {"ETen-B5-H", "Adobe-CNS1-0", "\xA4\xA4" "a", {0xA4A4, 0x61}, u"\u4E2Da"},
      {"HKscs-B5-H", "Adobe-CNS1-5", "\x9D\xEE\xA4\xA4", {0x9DEE, 0xA4A4}, u"\u35CE\u4E2D"},
      {"KSC-EUC-H", "Adobe-Korea1-0", "\xC7\xD1\xB1\xDB", {0xC7D1, 0xB1DB}, u"\uD55C\uAE00"},
      {"KSCms-UHC-H", "Adobe-Korea1-1", "\x81\x41\xC7\xD1", {0x8141, 0xC7D1}, u"\uAC02\uD55C"},
      {"EUC-H", "Adobe-Japan1-1", "\xC6\xFC\xCB\xDC", {0xC6FC, 0xCBDC}, u"\u65E5\u672C"},
      {"90ms-RKSJ-V", "Adobe-Japan1-2", "\x8F\x63\x8F\x91\x82\xAB", {0x8F63, 0x8F91, 0x82AB}, u"\u7E26\u66F8\u304D"},
      {"UniGB-UTF16-H", "Adobe-GB1-5", "\xD8\x40\xDC\x0B\x4E\x2D", {0xD840DC0B, 0x4E2D}, u"\U0002000B\u4E2D"},
      {"UniKS-UCS2-H", "Adobe-Korea1-2", "\xD5\x5C", {0xD55C}, u"\uD55C"},
  };
  for (const TCase& c : cases) {
    bool handled = false;
    EXPECT_EQ(SplitPredefined(c.CMap, c.Bytes, handled), c.Codes) << c.CMap;
    EXPECT_TRUE(handled) << c.CMap;
    EXPECT_EQ(TextOf(c.CMap, c.Collection, c.Bytes), c.Text) << c.CMap;
  }
}

TEST(PredefinedCMaps, ShiftJisSplitsMixedOneAndTwoByteText) {
  bool handled = false;
  EXPECT_EQ(SplitPredefined("90ms-RKSJ-H", "\x41\x82\xA0", handled), (TOstrelCodeList{0x41, 0x82A0}));
  EXPECT_TRUE(handled);
  // Half-width katakana are single bytes between two-byte kanji.
  EXPECT_EQ(SplitPredefined("90msp-RKSJ-H", "\x88\x9F\xB1\x88\xA0 ", handled),
            (TOstrelCodeList{0x889F, 0xB1, 0x88A0, 0x20}));
}

TEST(PredefinedCMaps, IdentityNamesTakeTwoBytesPerCode) {
  bool handled = false;
  for (const char* name : {"Identity-H", "Identity-V", "UniJIS-UCS2-H"}) {
    EXPECT_EQ(SplitPredefined(name, "\x12\x34\x56", handled), TOstrelCodeList{0x1234}) << name;
    EXPECT_TRUE(handled);
  }
}

TEST(PredefinedCMaps, CodeTextThroughCidsAndCollections) {
  EXPECT_EQ(PredefinedCodeText("90ms-RKSJ-H", "Adobe-Japan1-2", 0x41), u"A");
  EXPECT_EQ(PredefinedCodeText("90msp-RKSJ-H", "Adobe-Japan1-4", 0x41), u"A");
  EXPECT_EQ(PredefinedCodeText("90ms-RKSJ-H", "Adobe-Japan1-2", 0x82A0), u"\u3042");
  EXPECT_EQ(PredefinedCodeText("90ms-RKSJ-H", "Adobe-Japan1-2", 0xB1), u"\uFF71");
  EXPECT_EQ(PredefinedCodeText("Identity-H", "Adobe-Identity-0", 0x4E00), u"\u4E00");
  EXPECT_EQ(PredefinedCodeText("Identity-H", "Adobe-Japan1-6", 8321), u"\u6709\u9650\u4F1A\u793E");
  // Identity codes are CIDs of the font's collection.
  EXPECT_EQ(PredefinedCodeText("Identity-V", "Adobe-GB1-5", 34), u"A");
  EXPECT_EQ(PredefinedCodeText("Identity-H", "Adobe-Korea1-2", 34), u"A");
  EXPECT_EQ(PredefinedCodeText("Identity-H", "Adobe-Unknown-0", 34), u"");
}

TEST(PredefinedCMaps, CodesOutsideTheMapsGiveNoText) {
  bool handled = false;
  // A lead byte at the end of the string is dropped; a code inside the code
  // space that maps to nothing is kept as a code without text.
  EXPECT_EQ(SplitPredefined("90ms-RKSJ-H", "\x41\x82", handled), TOstrelCodeList{0x41});
  EXPECT_EQ(SplitPredefined("90ms-RKSJ-H", "\x85\x40", handled), TOstrelCodeList{0x8540});
  EXPECT_EQ(PredefinedCodeText("90ms-RKSJ-H", "Adobe-Japan1-2", 0x8540), u"");
  EXPECT_EQ(PredefinedCodeCID("90ms-RKSJ-H", "Adobe-Japan1-2", 0x8540), 0u);
  // Bytes that start no code of the code space count one byte each.
  EXPECT_EQ(SplitPredefined("GB-EUC-H", "\xFF\xA1", handled), (TOstrelCodeList{0xFF}));
  EXPECT_TRUE(SplitPredefined("No-Such-H", "\x12\x34", handled).empty());
  EXPECT_FALSE(handled);
  EXPECT_EQ(PredefinedCodeText("No-Such-H", "Adobe-GB1-5", 0x41), u"");
}

TEST(PredefinedCMaps, VerticalCMapsChangeOnlyTheRotatedForms) {
  EXPECT_EQ(PredefinedWritingMode("Identity-V"), 1);
  EXPECT_EQ(PredefinedWritingMode("Identity-H"), 0);
  for (const char* name : {"GBK-EUC-V", "ETen-B5-V", "KSCms-UHC-V", "EUC-V", "UniJIS-UCS2-V", "UniCNS-UTF16-V"})
    EXPECT_EQ(PredefinedWritingMode(name), 1) << name;
  EXPECT_EQ(PredefinedWritingMode("GBK-EUC-H"), 0);
  // The ideographic comma and the brackets turn; everything else is the
  // horizontal CMap's.
  EXPECT_NE(PredefinedCodeCID("90ms-RKSJ-V", "", 0x8141), PredefinedCodeCID("90ms-RKSJ-H", "", 0x8141));
  EXPECT_NE(PredefinedCodeCID("UniJIS-UCS2-V", "", 0x3008), PredefinedCodeCID("UniJIS-UCS2-H", "", 0x3008));
  EXPECT_EQ(PredefinedCodeCID("90ms-RKSJ-V", "", 0x8F63), PredefinedCodeCID("90ms-RKSJ-H", "", 0x8F63));
  EXPECT_EQ(PredefinedCodeCID("KSC-EUC-V", "", 0xC7D1), PredefinedCodeCID("KSC-EUC-H", "", 0xC7D1));
}

TEST(PredefinedCMaps, UnicodeCMapsSelectTheCollectionsCIDs) {
  // A character reaches the same CID through the Unicode CMap of its
  // collection as through the national encoding, not the code as a CID.
  struct TCase {
    const char* Unicode;
    uint32_t Character;
    const char* National;
    uint32_t Code;
  };
  for (const TCase& c : {TCase{"UniGB-UCS2-H", 0x4E2D, "GB-EUC-H", 0xD6D0}, {"UniGB-UTF16-V", 0x4E2D, "GBK-EUC-V", 0xD6D0},
                         {"UniCNS-UCS2-H", 0x4E2D, "B5pc-H", 0xA4A4}, {"UniKS-UCS2-H", 0xD55C, "KSC-EUC-H", 0xC7D1},
                         {"UniJIS-UCS2-H", 0x65E5, "EUC-H", 0xC6FC}}) {
    uint32_t cid = PredefinedCodeCID(c.National, "", c.Code);
    EXPECT_NE(cid, 0u) << c.National;
    EXPECT_EQ(PredefinedCodeCID(c.Unicode, "", c.Character), cid) << c.Unicode;
  }
}

TEST(PredefinedCMaps, ShiftJisCIDsOfBothLatinWidths) {
  EXPECT_EQ(PredefinedCodeCID("90msp-RKSJ-H", "", 0x20), 1u);
  EXPECT_EQ(PredefinedCodeCID("90ms-RKSJ-H", "", 0x20), 231u);
  EXPECT_EQ(PredefinedCodeCID("90ms-RKSJ-H", "", 0x8140), 633u);
  EXPECT_EQ(PredefinedCodeCID("Identity-V", "", 0x8140), 0x8140u);
}

TEST(CIDCMap, MalformedPackedDataLeavesTheMapEmpty) {
  TCIDCMap map;
  // One code space <00>..<7F>, one run 0x41..0x42 -> CID 34.
  const std::string good("\x01\x01\x00\x7F\x01\x01\x41\x01\x44", 9);
  ASSERT_TRUE(map.Load(good));
  EXPECT_EQ(map.CID(0x42), 35u);
  EXPECT_EQ(map.CodeLength("\x41", 0), 1u);
  for (std::string bad : {good.substr(0, 6), std::string("\x01\x05\x00\x01", 4), std::string("\x41\x01\x00\x7F", 4),
                          good.substr(0, 4) + std::string("\x02\x01\x41\x01\x44\x01\x00\x00\x02", 9)}) {
    EXPECT_FALSE(map.Load(bad));
    EXPECT_EQ(map.RunCount(), 0u);
    EXPECT_EQ(map.CID(0x41), 0u);
  }
}

}  // namespace
}  // namespace ostrel
