// Font matrices: each glyph of a CID-keyed CFF font is drawn through the
// FontMatrix of its font dictionary combined with the top one, other CFF
// and Type 1 fonts through their whole matrix, and the renderer's advance
// arithmetic is left alone (K = 1).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/render/glyphs/type1_rasterizer.h"
#include "tests/text/fonts/font_program_test_files.h"

namespace ostrel {
namespace {

// Writes a small CFF program byte by byte.
class TCFFWriter {
 public:
  static std::string Index(const std::vector<std::string>& items) {
    std::string out;
    out += char(items.size() >> 8);
    out += char(items.size() & 0xFF);
    if (items.empty()) return out;
    out += char(4);  // offset size
    uint32_t offset = 1;
    auto put = [&](uint32_t v) {
      for (int shift : {24, 16, 8, 0}) out += char(v >> shift & 0xFF);
    };
    put(offset);
    for (const std::string& s : items) put(offset += uint32_t(s.size()));
    for (const std::string& s : items) out += s;
    return out;
  }
  // A 5-byte integer operand, so that offsets keep the dictionary's size.
  static std::string Int(int32_t v) {
    std::string out(1, char(29));
    for (int shift : {24, 16, 8, 0}) out += char(uint32_t(v) >> shift & 0xFF);
    return out;
  }
  // A real operand from its decimal text.
  static std::string Real(const std::string& text) {
    std::string nibbles;
    for (char c : text) nibbles += c == '.' ? char(10) : c == '-' ? char(14) : char(c - '0');
    nibbles += char(15);
    if (nibbles.size() % 2) nibbles += char(15);
    std::string out(1, char(30));
    for (size_t i = 0; i < nibbles.size(); i += 2) out += char(nibbles[i] << 4 | nibbles[i + 1]);
    return out;
  }
  static std::string Matrix(const std::string& scale) {
    return Real(scale) + char(139) + char(139) + Real(scale) + char(139) + char(139) + "\x0c\x07";
  }
};

// A square 500 units wide, as a Type 2 charstring.
std::string Square() {
  return std::string("\x8b\x8b\x15", 3)  // 0 0 rmoveto
         + "\xf8\x88\x06"              // 500 hlineto
         + "\xf8\x88\x07"              // 500 vlineto
         + "\xfc\x88\x06"              // -500 hlineto
         + "\x0e";                     // endchar
}

// CIDs 1 and 2 in font dictionaries 0 and 1, whose matrices are given; the
// top dictionary's matrix too when topScale is not empty.
std::string CIDKeyedProgram(const std::string& topScale, const std::string& fd0Scale, const std::string& fd1Scale) {
  using W = TCFFWriter;
  std::string header("\x01\x00\x04\x04", 4);
  std::string names = W::Index({"Test"});
  std::string strings = W::Index({"Adobe", "Identity"});
  std::string globals = W::Index({});
  auto fd = [](const std::string& scale) { return scale.empty() ? std::string() : W::Matrix(scale); };
  std::string fdArray = W::Index({fd(fd0Scale) + W::Int(0) + "\x0c\x26", fd(fd1Scale) + W::Int(0) + "\x0c\x26"});
  std::string charset = std::string("\x00\x00\x01\x00\x02", 5);  // format 0: CIDs 1 and 2
  std::string fdSelect = std::string("\x00\x00\x00\x01", 4);    // format 0: glyphs 0, 1 -> 0; 2 -> 1
  std::string charstrings = W::Index({"\x0e", Square(), Square()});

  auto top = [&](int32_t charsetAt, int32_t fdSelectAt, int32_t charstringsAt, int32_t fdArrayAt) {
    std::string d = W::Int(391) + W::Int(392) + W::Int(0) + "\x0c\x1e";  // ROS
    if (!topScale.empty()) d += W::Matrix(topScale);
    d += W::Int(charsetAt) + "\x0f" + W::Int(charstringsAt) + "\x11" + W::Int(fdArrayAt) + "\x0c\x24" +
         W::Int(fdSelectAt) + "\x0c\x25";
    return d;
  };
  size_t topSize = W::Index({top(0, 0, 0, 0)}).size();
  int32_t at = int32_t(header.size() + names.size() + topSize + strings.size() + globals.size());
  int32_t charsetAt = at, fdSelectAt = charsetAt + int32_t(charset.size());
  int32_t charstringsAt = fdSelectAt + int32_t(fdSelect.size());
  int32_t fdArrayAt = charstringsAt + int32_t(charstrings.size());
  return header + names + W::Index({top(charsetAt, fdSelectAt, charstringsAt, fdArrayAt)}) + strings + globals +
         charset + fdSelect + charstrings + fdArray;
}

// A font without ROS: glyph 1 is named "space" by the predefined charset.
std::string PlainProgram(const std::string& matrix) {
  using W = TCFFWriter;
  std::string header("\x01\x00\x04\x04", 4);
  std::string names = W::Index({"Test"});
  std::string strings = W::Index({});
  std::string globals = W::Index({});
  std::string charstrings = W::Index({"\x0e", Square()});
  auto top = [&](int32_t charstringsAt) { return matrix + W::Int(charstringsAt) + "\x11"; };
  size_t topSize = W::Index({top(0)}).size();
  int32_t at = int32_t(header.size() + names.size() + topSize + strings.size() + globals.size());
  return header + names + W::Index({top(at)}) + strings + globals + charstrings;
}

double Width(const TGlyphOutline& outline) {
  double lo = 1e9, hi = -1e9;
  for (const auto& s : outline.Segments()) {
    if (s.Op == TGlyphOutline::TOp::Close) continue;
    lo = std::min(lo, s.P[0]);
    hi = std::max(hi, s.P[0]);
  }
  return hi - lo;
}

TEST(GlyphCFFMatrix, EachFontDictionaryScalesItsGlyphs) {
  TPDFType1Rasterizer raster;
  ASSERT_TRUE(raster.Decoder.LoadCompactProgram(CIDKeyedProgram("1", "0.001", "0.0005")));
  ASSERT_TRUE(raster.Decoder.IsCIDKeyed());
  EXPECT_EQ(raster.WidthScale(), 1.0);
  EXPECT_NEAR(Width(raster.Outline("GID:1")), 500, 1e-6);
  EXPECT_NEAR(Width(raster.Outline("GID:2")), 250, 1e-6);
  // The order of use does not leak one glyph's dictionary into another.
  TPDFType1Rasterizer again;
  ASSERT_TRUE(again.Decoder.LoadCompactProgram(CIDKeyedProgram("1", "0.001", "0.0005")));
  EXPECT_NEAR(Width(again.Outline("GID:2")), 250, 1e-6);
  EXPECT_NEAR(Width(again.Outline("GID:1")), 500, 1e-6);
}

TEST(GlyphCFFMatrix, MissingLevelsFallBackToTheDefault) {
  TPDFType1Rasterizer bare;
  ASSERT_TRUE(bare.Decoder.LoadCompactProgram(CIDKeyedProgram("", "", "0.002")));
  EXPECT_NEAR(Width(bare.Outline("GID:1")), 500, 1e-6);   // neither level: 0.001
  EXPECT_NEAR(Width(bare.Outline("GID:2")), 1000, 1e-6);  // its own dictionary only
  TPDFType1Rasterizer topOnly;
  ASSERT_TRUE(topOnly.Decoder.LoadCompactProgram(CIDKeyedProgram("0.002", "", "")));
  EXPECT_NEAR(Width(topOnly.Outline("GID:1")), 1000, 1e-6);
  EXPECT_EQ(topOnly.WidthScale(), 1.0);
  // A singular matrix is damage and is ignored.
  TPDFType1Rasterizer singular;
  ASSERT_TRUE(singular.Decoder.LoadCompactProgram(CIDKeyedProgram("", "0", "")));
  EXPECT_NEAR(Width(singular.Outline("GID:1")), 500, 1e-6);
}

TEST(GlyphCFFMatrix, TheWholeTopMatrixShapesPlainFonts) {
  using W = TCFFWriter;
  // 2048 units per em, slanted: x' = 0.0005 x + 0.0001 y.
  std::string slanted = W::Real("0.0005") + char(139) + W::Real("0.0001") + W::Real("0.0005") + char(139) +
                        char(139) + "\x0c\x07";
  TPDFType1Rasterizer raster;
  ASSERT_TRUE(raster.Decoder.LoadCompactProgram(PlainProgram(slanted)));
  EXPECT_EQ(raster.Decoder.WidthScale(), 0.5);
  EXPECT_EQ(raster.WidthScale(), 1.0);
  const TGlyphOutline& square = raster.Outline("space");
  EXPECT_NEAR(Width(square), 300, 1e-6);  // 250 wide, its top shifted by 50
}

TEST(GlyphCFFMatrix, Type1ProgramsUseTheirFontMatrix) {
  auto data = testing::ReadFontFile(testing::kUrwType1Dir + "NimbusSans-Regular.t1");
  if (!data) GTEST_SKIP() << "fonts-urw-base35 missing";
  const std::string plain = "/FontMatrix [0.001 0.0 0.0 0.001 0.0 0.0]";
  size_t at = data->find(plain);
  ASSERT_NE(at, std::string::npos);
  std::string doubled = *data;
  doubled.replace(at, plain.size(), "/FontMatrix [0.002 0.0 0.0 0.002 0.0 0.0]");  // same length
  testing::TType1Lengths l = testing::SplitType1File(*data);
  TPDFType1Rasterizer normal, large;
  ASSERT_TRUE(normal.Decoder.LoadType1(*data, l.Length1, l.Length2, l.Length3));
  ASSERT_TRUE(large.Decoder.LoadType1(doubled, l.Length1, l.Length2, l.Length3));
  EXPECT_NEAR(Width(large.Outline("A")), 2 * Width(normal.Outline("A")), 1e-6);
  EXPECT_NEAR(large.AdvanceOfName("A"), 2 * normal.AdvanceOfName("A"), 1e-6);
  EXPECT_NEAR(normal.AdvanceOfName("A"), 667, 1);
}

}  // namespace
}  // namespace ostrel
