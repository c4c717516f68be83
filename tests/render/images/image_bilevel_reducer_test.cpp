#include "pdf/render/images/image_bilevel_reducer.h"

#include <gtest/gtest.h>

#include <vector>

namespace ostrel {
namespace {

int Level(const Bitmap& levels, int x, int y) {
  const uint8_t byte = levels.Row(y)[x >> 1];
  return (x & 1) ? byte & 15 : byte >> 4;
}

// Rows of width pixels where pixel (x, y) is 1 when on(x, y).
template <typename On>
std::vector<std::vector<uint8_t>> Rows(int width, int height, On on) {
  std::vector<std::vector<uint8_t>> rows(height, std::vector<uint8_t>((width + 7) / 8));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (on(x, y)) rows[y][x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return rows;
}

TEST(ImageBilevelReducer, LevelsAreTheShareOfOnesPerBlock) {
  // 130 pixels wide (blocks cross the 64-bit words), every third column on:
  // each full 3 x 3 block holds three ones of nine.
  const int width = 130, height = 7;
  auto rows = Rows(width, height, [](int x, int) { return x % 3 == 0; });
  TImageBilevelReducer reducer;
  ASSERT_TRUE(reducer.Start(width, height, 3, false));
  for (const auto& row : rows) reducer.AddRow(row.data());
  reducer.Finish();
  ASSERT_EQ(reducer.OutWidth(), 44);
  ASSERT_EQ(reducer.OutHeight(), 3);
  EXPECT_EQ(Level(reducer.Levels(), 0, 0), 5);   // 3 of 9
  EXPECT_EQ(Level(reducer.Levels(), 42, 1), 5);
  // The last column holds pixel 129 only, which is on (129 = 3 x 43).
  EXPECT_EQ(Level(reducer.Levels(), 43, 0), 15);
  // The last band holds one row: still the share of its own pixels.
  EXPECT_EQ(Level(reducer.Levels(), 0, 2), 5);
}

TEST(ImageBilevelReducer, InvertedCountsAndMissingRows) {
  const int width = 64, height = 8;
  auto rows = Rows(width, height, [](int x, int y) { return x < 32; });
  TImageBilevelReducer reducer;
  ASSERT_TRUE(reducer.Start(width, height, 4, true));
  // Only the first five rows arrive; the rest count as 0-bits, which the
  // inverted count takes as ones.
  for (int y = 0; y < 5; ++y) reducer.AddRow(rows[y].data());
  reducer.Finish();
  EXPECT_EQ(Level(reducer.Levels(), 0, 0), 0);
  EXPECT_EQ(Level(reducer.Levels(), 15, 0), 15);
  EXPECT_EQ(Level(reducer.Levels(), 0, 1), 11);  // 12 of 16 inverted ones: 1 row of 4 present
  EXPECT_EQ(Level(reducer.Levels(), 15, 1), 15);
  TImageBilevelReducer refused;
  EXPECT_FALSE(refused.Start(0, 5, 1, false));
  EXPECT_FALSE(refused.Start(5, 5, 0, false));
}

}  // namespace
}  // namespace ostrel
