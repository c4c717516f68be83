// The GIF writer: golden bytes for a two-pixel picture, and pictures decoded
// again by an independent LZW decoder (the usual GIF decoder rules: the code
// size grows once the next code to assign reaches 2^size).
#include <gtest/gtest.h>

#include <cmath>

#include "pdf/render/output/gif_writer.h"
#include "tests/render/output/page_writer_test_support.h"

namespace ostrel {
namespace {

using test::Hex;
using test::MakeBitmap;

std::vector<uint8_t> DecodeLzw(const std::string& data) {
  std::vector<uint8_t> out;
  std::vector<std::vector<uint8_t>> table;
  auto reset = [&] {
    table.assign(258, {});
    for (int i = 0; i < 256; ++i) table[i] = {uint8_t(i)};
  };
  reset();
  int size = 9;
  size_t bit = 0;
  int previous = -1;
  while (bit + size <= data.size() * 8) {
    int code = 0;
    for (int i = 0; i < size; ++i, ++bit) code |= ((uint8_t(data[bit / 8]) >> (bit % 8)) & 1) << i;
    if (code == 256) {
      reset();
      size = 9;
      previous = -1;
      continue;
    }
    if (code == 257) return out;
    std::vector<uint8_t> entry;
    if (code < int(table.size())) {
      entry = table[code];
      if (previous >= 0) {
        auto added = table[previous];
        added.push_back(entry[0]);
        table.push_back(added);
      }
    } else {
      EXPECT_EQ(code, int(table.size())) << "code beyond the table";
      if (previous < 0 || code != int(table.size())) return out;
      entry = table[previous];
      entry.push_back(entry[0]);
      table.push_back(entry);
    }
    out.insert(out.end(), entry.begin(), entry.end());
    previous = code;
    if (int(table.size()) >= (1 << size) && size < 12) ++size;
  }
  ADD_FAILURE() << "no end code";
  return out;
}

// The LZW bytes of a GIF file written by TPDFGIFWriter: after the 13-byte
// screen, the 10-byte image descriptor, 768 palette bytes and the code size.
std::string LzwData(const std::string& file) {
  std::string data;
  size_t at = 13 + 10 + 768 + 1;
  while (at < file.size() && file[at] != 0) {
    size_t n = uint8_t(file[at]);
    data.append(file, at + 1, n);
    at += 1 + n;
  }
  EXPECT_EQ(file.substr(at), std::string("\0;", 2));
  return data;
}

TEST(GifWriter, GoldenBytesOfTwoPixels) {
  TPDFGIFWriter gif;
  gif.QuantizeFromBitmap(MakeBitmap(2, 1, [](int x, int) { return x == 0 ? 0xFF0000u : 0x0000FFu; }));
  std::string palette = "0000ffff0000";  // blue's octree branch (1) comes before red's (4)
  for (int i = 2; i < 256; ++i) palette += "0000ff";
  EXPECT_EQ(Hex(gif.Write()),
            "474946383761" "02000100" "70" "00" "00"  // GIF87a, 2 x 1, no global table
            "2c" "00000000" "02000100" "87" + palette +
            "08" "050003000808" "00" "3b");           // codes 256, 1, 0, 257 at 9 bits
}

TEST(GifWriter, OneColourPageHasOneLeafAndIndexZero) {
  TPDFGIFWriter gif;
  gif.QuantizeFromBitmap(MakeBitmap(40, 30, [](int, int) { return 0xFFFFFFu; }));
  EXPECT_EQ(gif.UsedColors, 1);
  EXPECT_EQ(gif.Palette[0], 0xFFFFFFu);
  for (uint8_t index : gif.Indexes) ASSERT_EQ(index, 0);
  std::vector<uint8_t> decoded = DecodeLzw(LzwData(gif.Write()));
  EXPECT_EQ(decoded, gif.Indexes);
}

TEST(GifWriter, NoisyPictureWithFewColoursSurvivesExactly) {
  // 200 colours distinct in their top five bits (the mapping table's
  // precision) in pseudo-random order: the string table fills and is cleared
  // many times, and the code size runs from 9 to 12 bits.
  auto colour = [](int i) { return uint32_t(i % 8 * 32) << 16 | uint32_t(i / 8 % 8 * 32) << 8 | uint32_t(i / 64 * 32); };
  Bitmap picture = MakeBitmap(300, 200, [&](int x, int y) {
    uint32_t h = uint32_t(x * 7919 + y * 104729) * 2654435761u;
    return colour((h >> 16) % 200);
  });
  TPDFGIFWriter gif;
  gif.QuantizeFromBitmap(picture);
  EXPECT_EQ(gif.UsedColors, 200);
  std::vector<uint8_t> decoded = DecodeLzw(LzwData(gif.Write()));
  ASSERT_EQ(decoded.size(), size_t(300 * 200));
  ASSERT_EQ(decoded, gif.Indexes);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) ASSERT_EQ(gif.Palette[decoded[y * 300 + x]], picture.PixelRGB(x, y)) << x << "," << y;
}

TEST(GifWriter, ManyColoursReduceTo256Close) {
  Bitmap picture = MakeBitmap(128, 128, [](int x, int y) { return uint32_t(x * 2) << 16 | uint32_t(y * 2) << 8 | 0x80; });
  TPDFGIFWriter gif;
  gif.QuantizeFromBitmap(picture);
  EXPECT_LE(gif.UsedColors, 256);
  EXPECT_GE(gif.UsedColors, 64);
  double squared = 0;
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      uint32_t a = picture.PixelRGB(x, y), b = gif.Palette[gif.Indexes[y * 128 + x]];
      for (int shift : {0, 8, 16}) {
        int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        squared += d * d;
      }
    }
  }
  double psnr = 10 * std::log10(255.0 * 255.0 / (squared / (128 * 128 * 3)));
  EXPECT_GE(psnr, 30) << "PSNR " << psnr;
}

TEST(ColorQuantizer, FoldsTheNewestDeepestNodeFirst) {
  TColorQuantizer quantizer;
  // Two colours that differ only in the lowest bit share a level-7 node;
  // a third differs at the top. Folding to two leaves merges the first pair.
  quantizer.AddPixel(10, 10, 10);
  quantizer.AddPixel(11, 11, 11);
  quantizer.AddPixel(200, 200, 200);
  EXPECT_EQ(quantizer.LeafCount(), 3);
  quantizer.ReduceTo(2);
  EXPECT_EQ(quantizer.LeafCount(), 2);
  // The merged leaf averages with integer division: (10 + 11) / 2 = 10.
  EXPECT_EQ(quantizer.Palette(), (std::vector<uint32_t>{0x0A0A0A, 0xC8C8C8}));
}

}  // namespace
}  // namespace ostrel
