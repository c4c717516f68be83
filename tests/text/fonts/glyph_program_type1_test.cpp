// Type 1 charstrings translated into glyph programs, from a small program
// written and encrypted here.
#include <gtest/gtest.h>

#include <algorithm>

#include "pdf/text/fonts/type1_decoder.h"

namespace ostrel {
namespace {

std::string Encrypt(std::string_view plain, uint16_t key) {
  std::string out;
  uint16_t r = key;
  for (unsigned char p : std::string("\0\0\0\0", 4) + std::string(plain)) {
    unsigned char c = p ^ (r >> 8);
    out.push_back(char(c));
    r = uint16_t((c + r) * 52845u + 22719u);
  }
  return out;
}

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int v : b) s.push_back(char(v));
  return s;
}

std::string Entry(std::string_view head, std::string_view charstring, std::string_view tail) {
  std::string cs = Encrypt(charstring, 4330);
  return std::string(head) + " " + std::to_string(cs.size()) + " -| " + cs + " " + std::string(tail) + "\n";
}

TPDFType1Decoder& TestFont() {
  static TPDFType1Decoder decoder;
  static bool loaded = false;
  if (loaded) return decoder;
  loaded = true;
  const std::string box = Bytes({139, 248, 136, 13});  // hsbw(0,500)
  const std::string square = box + Bytes({149, 159, 21, 169, 139, 5, 9, 14});
  std::string flex = box + Bytes({139, 140, 12, 16});
  for (int i = 0; i < 7; ++i) flex += Bytes({149, 139, 21, 139, 141, 12, 16});
  flex += Bytes({189, 239, 139, 142, 139, 12, 16, 12, 17, 12, 17, 12, 33, 14});
  std::string priv = "dup /Private 8 dict dup begin /-|{string currentfile exch readstring pop}executeonly def\n"
                     "/|-{noaccess def}executeonly def /|{noaccess put}executeonly def\n/Subrs 1 array\n";
  priv += Entry("dup 0", Bytes({139, 10, 11}), "|");  // calls itself
  priv += "|-\n2 index /CharStrings 5 dict dup begin\n";
  priv += Entry("/A", square, "|-");
  priv += Entry("/acute", square, "|-");
  priv += Entry("/Aacute", Bytes({139, 239, 247, 92, 204, 247, 86, 12, 6}), "|-");
  priv += Entry("/loop", box + Bytes({139, 10, 14}), "|-");
  priv += Entry("/flexed", flex, "|-");
  priv += "end end\n";
  std::string clear = "%!PS-AdobeFont-1.0: Test\n10 dict begin\n/FontName /Test def\n/FontBBox {0 -10 500 700} readonly def\n"
                      "/Encoding 256 array\n0 1 255 {1 index exch /.notdef put} for\ndup 65 /A put\nreadonly def\n"
                      "currentdict end\ncurrentfile eexec\n";
  std::string binary = Encrypt(priv, 55665);
  decoder.LoadType1(clear + binary, int64_t(clear.size()), int64_t(binary.size()), 0);
  return decoder;
}

TEST(GlyphProgramType1, SimpleGlyphGivesItsCommandsInOrder) {
  TPDFType1Decoder& d = TestFont();
  ASSERT_EQ(d.GlyphCount(), 5u);
  EXPECT_EQ(d.BuiltInEncoding()[65], "A");
  EXPECT_EQ(d.BuiltInEncoding()[66], ".notdef");
  ASSERT_EQ(d.FontBox().size(), 4u);
  ASSERT_TRUE(d.GlyphProgram("A"));
  EXPECT_EQ(d.CurrentProgram,
            (TGlyphProgram{"hsbw(0,500)", "rmoveto(10,20)", "rlineto(30,0)", "closepath", "endchar"}));
  EXPECT_EQ(d.GlyphAdvance("A"), 500);
  EXPECT_FALSE(d.GlyphProgram("missing"));
}

TEST(GlyphProgramType1, SeacDrawsBaseThenAccent) {
  TPDFType1Decoder& d = TestFont();
  ASSERT_TRUE(d.GlyphProgram("Aacute"));
  auto seac = std::find(d.CurrentProgram.begin(), d.CurrentProgram.end(), "seac(0,100,200)");
  ASSERT_NE(seac, d.CurrentProgram.end());
  EXPECT_EQ(std::count(d.CurrentProgram.begin(), d.CurrentProgram.end(), "rmoveto(10,20)"), 2);
  EXPECT_LT(std::find(d.CurrentProgram.begin(), d.CurrentProgram.end(), "rmoveto(10,20)"), seac);
}

TEST(GlyphProgramType1, SelfCallingSubroutineStops) {
  TPDFType1Decoder& d = TestFont();
  EXPECT_TRUE(d.GlyphProgram("loop"));
  EXPECT_EQ(d.CurrentProgram.back(), "endchar");
}

TEST(GlyphProgramType1, FlexBecomesOneCommandAndEndsAtItsPoint) {
  TPDFType1Decoder& d = TestFont();
  ASSERT_TRUE(d.GlyphProgram("flexed"));
  EXPECT_EQ(std::count_if(d.CurrentProgram.begin(), d.CurrentProgram.end(),
                          [](const std::string& s) { return s.starts_with("flex("); }),
            1);
  EXPECT_EQ(std::count_if(d.CurrentProgram.begin(), d.CurrentProgram.end(),
                          [](const std::string& s) { return s.starts_with("rmoveto"); }),
            0);
  EXPECT_NE(std::find(d.CurrentProgram.begin(), d.CurrentProgram.end(), "setcurrentpoint(100,0)"),
            d.CurrentProgram.end());
}

}  // namespace
}  // namespace ostrel
