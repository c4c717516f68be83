// The test bit stream of ITU-T T.88 (Annex H.2), its first page typed in:
// Huffman and arithmetic symbol dictionaries, a Huffman text region, an MMR
// generic region, and an MMR pattern dictionary with a halftone region. The
// later pages of the sequence are not included.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/filters/jbig2/jbig2_test_encoder.h"
#include "pdf/filters/jbig2/jbig2_decoder.h"

namespace ostrel {
namespace {

// The page 1 segments, each with its header, in file order.
const unsigned char kPage1Segments[] = {
    // 0: symbol dictionary, Huffman-coded, one symbol stored uncompressed
    0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x18, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01,
    0x00, 0x00, 0x00, 0x01, 0xE9, 0xCB, 0xF4, 0x00, 0x26, 0xAF, 0x04, 0xBF, 0xF0, 0x78, 0x2F, 0xE0, 0x00,
    0x40,
    // 1: page information: 64 x 56
    0x00, 0x00, 0x00, 0x01, 0x30, 0x00, 0x01, 0x00, 0x00, 0x00, 0x13, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00,
    0x00, 0x38, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    // 2: symbol dictionary, arithmetic-coded with template 2: two symbols
    0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x1B, 0x08, 0x00, 0x02, 0xFF, 0x00, 0x00,
    0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x4F, 0xE7, 0x8C, 0x20, 0x0E, 0x1D, 0xC7, 0xCF, 0x01, 0x11, 0xC4,
    0xB2, 0x6F, 0xFF, 0xAC,
    // 3: immediate lossless text region, Huffman-coded, five instances
    0x00, 0x00, 0x00, 0x03, 0x07, 0x42, 0x00, 0x02, 0x01, 0x00, 0x00, 0x00, 0x31, 0x00, 0x00, 0x00, 0x25,
    0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x0C, 0x09, 0x00, 0x10,
    0x00, 0x00, 0x00, 0x05, 0x01, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x0C, 0x40, 0x07, 0x08, 0x70, 0x41, 0xD0,
    // 4: immediate lossless generic region, MMR: a frame
    0x00, 0x00, 0x00, 0x04, 0x27, 0x00, 0x01, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00,
    0x00, 0x2C, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x0B, 0x00, 0x01, 0x26, 0xA0, 0x71, 0xCE, 0xA7,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xF8, 0xF0,
    // 5: pattern dictionary, MMR: sixteen 4 x 4 patterns
    0x00, 0x00, 0x00, 0x05, 0x10, 0x01, 0x01, 0x00, 0x00, 0x00, 0x2D, 0x01, 0x04, 0x04, 0x00, 0x00, 0x00,
    0x0F, 0x20, 0xD1, 0x84, 0x61, 0x18, 0x45, 0xF2, 0xF9, 0x7C, 0x8F, 0x11, 0xC3, 0x9E, 0x45, 0xF2, 0xF9,
    0x7D, 0x42, 0x85, 0x0A, 0xAA, 0x84, 0x62, 0x2F, 0xEE, 0xEC, 0x44, 0x62, 0x22, 0x35, 0x2A, 0x0A, 0x83,
    0xB9, 0xDC, 0xEE, 0x77, 0x80,
    // 6: immediate lossless halftone region, MMR gray planes: an 8 x 9 grid
    0x00, 0x00, 0x00, 0x06, 0x17, 0x20, 0x05, 0x01, 0x00, 0x00, 0x00, 0x57, 0x00, 0x00, 0x00, 0x20, 0x00,
    0x00, 0x00, 0x24, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x01, 0x00, 0x00, 0x00, 0x08,
    0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0xAA,
    0xAA, 0xAA, 0xAA, 0x80, 0x08, 0x00, 0x80, 0x36, 0xD5, 0x55, 0x6B, 0x5A, 0xD4, 0x00, 0x40, 0x04, 0x2E,
    0xE9, 0x52, 0xD2, 0xD2, 0xD2, 0x8A, 0xA5, 0x4A, 0x00, 0x20, 0x02, 0x23, 0xE0, 0x95, 0x24, 0xB4, 0x92,
    0x8A, 0x4A, 0x92, 0x54, 0x92, 0xD2, 0x4A, 0x29, 0x2A, 0x49, 0x40, 0x04, 0x00, 0x40,
};

// Offsets of the segments in kPage1Segments.
constexpr size_t kSegmentStart[] = {0, 35, 65, 103, 165, 220, 276, 375};

std::string Segments(std::initializer_list<int> numbers) {
  std::string s;
  for (int n : numbers)
    s.append(reinterpret_cast<const char*>(kPage1Segments) + kSegmentStart[n], kSegmentStart[n + 1] - kSegmentStart[n]);
  return s;
}

// The page: the text "capac" over a framed gray wedge.
const char* const kPage1[] = {
      "................................................................",
      ".....####....####...####....####....####........................",
      "....#....#.......#..#...#.......#..#....#.......................",
      "....#........#####..#...#...#####..#............................",
      "....#.......#....#..#...#..#....#..#............................",
      "....#....#..#....#..####...#....#..#....#.......................",
      ".....####....#####..#.......#####...####........................",
      "....................#...........................................",
      "....................#...........................................",
      "................................................................",
      "................................................................",
      "....######################################################......",
      "....######################################################......",
      "....##..................................................##......",
      "....##..................................................##......",
      "....##................................#...#...#.........##......",
      "....##................#..##..##..##..##.###.###.........##......",
      "....##........................#..##..##..##..##.........##......",
      "....##.......................................#..........##......",
      "....##............................#...#...#...#.........##......",
      "....##............#..##..##..##..##.###.###.###.........##......",
      "....##....................#..##..##..##..##..###........##......",
      "....##...................................#...#..........##......",
      "....##........................#...#...#...#..##.........##......",
      "....##...........##..##..##..##.###.###.###.###.........##......",
      "....##................#..##..##..##..##..#######........##......",
      "....##...............................#...#...#..........##......",
      "....##....................#...#...#...#..##..##.........##......",
      "....##...........##..##..##.###.###.###.###.###.........##......",
      "....##............#..##..##..##..##..###########........##......",
      "....##...........................#...#...#...##.........##......",
      "....##................#...#...#...#..##..##..##.........##......",
      "....##...........##..##.###.###.###.###.###.####........##......",
      "....##...........##..##..##..##..###############........##......",
      "....##.......................#...#...#...##..##.........##......",
      "....##............#...#...#...#..##..##..##.###.........##......",
      "....##...........##.###.###.###.###.###.########........##......",
      "....##...........##..##..##..###################........##......",
      "....##...................#...#...#...##..##..##.........##......",
      "....##............#...#...#..##..##..##.###.####........##......",
      "....##..........###.###.###.###.###.############........##......",
      "....##...........##..##..#######################........##......",
      "....##...............#...#...#...##..##..##..##.........##......",
      "....##............#...#..##..##..##.###.########........##......",
      "....##..........###.###.###.###.################........##......",
      "....##...........##..###########################........##......",
      "....##...........#...#...#...##..##..##..##..###........##......",
      "....##............#..##..##..##.###.############........##......",
      "....##..........###.###.###.####################........##......",
      "....##...........###############################........##......",
      "....##...........#...#...##..##..##..##..#######........##......",
      "....##..................................................##......",
      "....##..................................................##......",
      "....######################################################......",
      "....######################################################......",
      "................................................................",
};

std::string Picture(const std::vector<uint8_t>& packed, int width, int height) {
  std::string s;
  const size_t stride = (static_cast<size_t>(width) + 7) / 8;
  for (int y = 0; y < height; ++y, s += '\n')
    for (int x = 0; x < width; ++x) s += (packed[y * stride + x / 8] >> (7 - x % 8) & 1) ? '#' : '.';
  return s;
}

std::string ExpectedPicture() {
  std::string s;
  for (const char* row : kPage1) s += std::string(row) + '\n';
  return s;
}

TEST(JBIG2StandardSequence, SegmentTableCoversTheStream) {
  ASSERT_EQ(kSegmentStart[7], sizeof kPage1Segments);
  for (int n = 0; n < 7; ++n) EXPECT_EQ(kPage1Segments[kSegmentStart[n] + 3], n);
}

TEST(JBIG2StandardSequence, Page1DecodesInEveryForm) {
  const std::string all = Segments({0, 1, 2, 3, 4, 5, 6});
  // Embedded, as a PDF carries it; as a whole file with its header; and
  // with the dictionaries moved into globals.
  const std::string file = std::string("\x97JB2\r\n\x1A\n\x01\x00\x00\x00\x01", 13) + all;
  const struct {
    const char* Form;
    std::string Data, Globals;
  } forms[] = {{"embedded", all, ""}, {"file", file, ""}, {"globals", Segments({1, 3, 4, 6}), Segments({0, 2, 5})}};
  for (const auto& form : forms) {
    SCOPED_TRACE(form.Form);
    TOSLJBIG2Decoder decoder;
    ASSERT_TRUE(decoder.Decode(form.Data, form.Globals)) << decoder.LastError();
    ASSERT_EQ(decoder.Width(), 64);
    ASSERT_EQ(decoder.Height(), 56);
    EXPECT_EQ(Picture(decoder.Packed(), 64, 56), ExpectedPicture());
  }
}

TEST(JBIG2StandardSequence, Jbig2decDecodesTheSamePage) {
  if (!jbig2test::HaveJbig2dec()) GTEST_SKIP() << "jbig2dec is not installed";
  int width = 0, height = 0;
  std::vector<uint8_t> packed;
  std::string messages;
  ASSERT_TRUE(jbig2test::DecodeWithJbig2dec(Segments({0, 1, 2, 3, 4, 5, 6}), "", width, height, packed, &messages))
      << messages;
  EXPECT_EQ(messages.find("WARNING"), std::string::npos) << messages;
  ASSERT_EQ(width, 64);
  ASSERT_EQ(height, 56);
  EXPECT_EQ(Picture(packed, width, height), ExpectedPicture());
}

}  // namespace
}  // namespace ostrel
