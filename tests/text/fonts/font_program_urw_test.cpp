// The same URW fonts read as Type 1 and as CFF must agree with each other and
// with their AFM metrics.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "pdf/render/glyphs/glyph_program_outline.h"
#include "pdf/text/fonts/type1_decoder.h"
#include "tests/text/fonts/font_program_test_files.h"

namespace ostrel {
namespace {

using testing::ReadFontFile;

struct TLoadedPair {
  TPDFType1Decoder Type1, Compact;
};

bool LoadPair(const std::string& name, TLoadedPair& pair) {
  auto t1 = ReadFontFile(testing::kUrwType1Dir + name + ".t1");
  auto otf = ReadFontFile(testing::kUrwOpenTypeDir + name + ".otf");
  if (!t1 || !otf) return false;
  auto l = testing::SplitType1File(*t1);
  EXPECT_TRUE(pair.Type1.LoadType1(*t1, l.Length1, l.Length2, l.Length3)) << name;
  EXPECT_TRUE(pair.Compact.LoadCompactProgram(*otf)) << name;
  return true;
}

// Contours as point lists, with a closing line back onto the start dropped:
// Type 1 programs draw it, CFF programs leave it implicit.
std::vector<std::vector<double>> Contours(const TGlyphOutline& outline) {
  std::vector<std::vector<double>> out;
  for (const auto& s : outline.Segments()) {
    using TOp = TGlyphOutline::TOp;
    if (s.Op == TOp::Move) out.emplace_back();
    if (out.empty()) out.emplace_back();
    int n = s.Op == TOp::Curve ? 6 : s.Op == TOp::Close ? 0 : 2;
    for (int i = 0; i < n; ++i) out.back().push_back(s.P[i]);
    if (s.Op == TOp::Close && out.back().size() >= 4) {
      auto& c = out.back();
      size_t k = c.size();
      if (std::abs(c[k - 2] - c[0]) < 0.01 && std::abs(c[k - 1] - c[1]) < 0.01) c.resize(k - 2);
    }
  }
  return out;
}

class UrwFontPairTest : public ::testing::TestWithParam<const char*> {};

TEST_P(UrwFontPairTest, NamesAdvancesAndOutlinesAgree) {
  TLoadedPair pair;
  if (!LoadPair(GetParam(), pair)) GTEST_SKIP() << "fonts-urw-base35 not installed";
  std::set<std::string> t1Names(pair.Type1.GlyphNames().begin(), pair.Type1.GlyphNames().end());
  std::set<std::string> cffNames(pair.Compact.GlyphNames().begin(), pair.Compact.GlyphNames().end());
  EXPECT_EQ(t1Names, cffNames);

  auto afm = testing::ReadAfmWidths(testing::kUrwType1Dir + GetParam() + ".afm");
  ASSERT_FALSE(afm.empty());
  for (const auto& [name, width] : afm) {
    EXPECT_EQ(pair.Type1.GlyphAdvance(name), width) << name;
    EXPECT_NEAR(pair.Compact.GlyphAdvance(name) * pair.Compact.WidthScale(), width, 0.5) << name;
  }

  const TGlyphNames& ascii = GlyphNamesOf(kStandardEncoding);
  for (int code = 33; code < 127; ++code) {
    const std::string& name = ascii[code];
    ASSERT_TRUE(pair.Type1.GlyphProgram(name)) << name;
    auto a = Contours(OutlineOfGlyphProgram(pair.Type1.CurrentProgram));
    ASSERT_TRUE(pair.Compact.GlyphProgram(name)) << name;
    auto b = Contours(OutlineOfGlyphProgram(pair.Compact.CurrentProgram));
    ASSERT_EQ(a.size(), b.size()) << name;
    for (size_t c = 0; c < a.size(); ++c) {
      ASSERT_EQ(a[c].size(), b[c].size()) << name << " contour " << c;
      for (size_t i = 0; i < a[c].size(); ++i) EXPECT_NEAR(a[c][i], b[c][i], 1.0) << name << " contour " << c;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Base35, UrwFontPairTest,
                         ::testing::Values("NimbusSans-Regular", "NimbusRoman-BoldItalic", "NimbusMonoPS-Regular",
                                           "C059-Roman", "URWBookman-Light", "P052-Italic"));

TEST(UrwFontProgram, DingbatsKeepTheirGlyphNames) {
  TLoadedPair pair;
  if (!LoadPair("D050000L", pair)) GTEST_SKIP() << "fonts-urw-base35 not installed";
  EXPECT_TRUE(pair.Compact.GlyphProgram("a1"));
  EXPECT_TRUE(pair.Type1.GlyphProgram("a191"));
}

// TeX fonts open with a guard against loading twice, ended by the font's own
// "N dict begin"; the dictionary after it still holds the font's encoding,
// matrix and box.
TEST(UrwFontProgram, KnownGuardBeforeTheFontDictionaryIsSkipped) {
  auto t1 = ReadFontFile(testing::kUrwType1Dir + std::string("StandardSymbolsPS.t1"));
  if (!t1) GTEST_SKIP() << "fonts-urw-base35 not installed";
  TPDFType1Decoder plain;
  auto l = testing::SplitType1File(*t1);
  ASSERT_TRUE(plain.LoadType1(*t1, l.Length1, l.Length2, l.Length3));
  ASSERT_TRUE(plain.HasBuiltInEncoding());

  const size_t begin = t1->find(" dict begin");
  ASSERT_NE(begin, std::string::npos);
  const size_t line = t1->rfind('\n', begin) + 1;
  const std::string guard =
      "FontDirectory/StandardSymbolsPS known{/StandardSymbolsPS findfont dup/UniqueID known{dup\n"
      "/UniqueID get 5087385 eq exch/FontType get 1 eq and}{pop false}ifelse\n"
      "{save true}{false}ifelse}{false}ifelse\n";
  std::string guarded = t1->substr(0, line) + guard + t1->substr(line);
  TPDFType1Decoder decoder;
  ASSERT_TRUE(decoder.LoadType1(guarded, l.Length1 + int64_t(guard.size()), l.Length2, l.Length3));
  EXPECT_TRUE(decoder.HasBuiltInEncoding());
  EXPECT_EQ(decoder.BuiltInEncoding()[0x61], plain.BuiltInEncoding()[0x61]);  // alpha
  EXPECT_EQ(decoder.BuiltInEncoding()[0x61], "alpha");
  EXPECT_EQ(decoder.FontBox(), plain.FontBox());
}

}  // namespace
}  // namespace ostrel
