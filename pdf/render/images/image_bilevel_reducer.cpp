#include "pdf/render/images/image_bilevel_reducer.h"

#include <algorithm>
#include <bit>

namespace ostrel {

bool TImageBilevelReducer::Start(int width, int height, int step, bool invert) {
  if (width < 1 || height < 1 || step < 1) return false;
  width_ = width, height_ = height, step_ = step, invert_ = invert;
  row_ = bandRows_ = 0;
  const int outW = static_cast<int>((int64_t{width} + step - 1) / step);
  const int outH = static_cast<int>((int64_t{height} + step - 1) / step);
  if (!levels_.SetSize(outW, outH, TPixelFormat::pf4bit)) return false;
  counts_.assign(static_cast<size_t>(outW), 0);
  return true;
}

// Adds the 1-bits of one row to the column counts. Rows are read 64 bits at a
// time and blank words skipped: a scan is mostly paper, so most rows cost
// little more than reading them.
void TImageBilevelReducer::CountRow(const uint8_t* bits) {
  const size_t rowBytes = (static_cast<size_t>(width_) + 7) / 8;
  for (size_t byte = 0; byte < rowBytes; byte += 8) {
    uint64_t word = 0;
    const size_t n = std::min<size_t>(8, rowBytes - byte);
    for (size_t i = 0; i < n; ++i) word |= uint64_t{bits[byte + i]} << (56 - 8 * i);
    if (word == 0) continue;
    // Bit b of the word (from the top) is pixel first + b.
    const int64_t first = static_cast<int64_t>(byte) * 8;
    const int64_t last = std::min<int64_t>(first + 64, width_);  // one past
    for (int64_t column = first / step_; column * step_ < last; ++column) {
      const int64_t from = std::max(column * step_, first), to = std::min((column + 1) * step_, last);
      const int shift = static_cast<int>(64 - (to - first));
      const int length = static_cast<int>(to - from);
      const uint64_t mask = (length >= 64 ? ~uint64_t{0} : ((uint64_t{1} << length) - 1)) << shift;
      counts_[static_cast<size_t>(column)] += static_cast<uint64_t>(std::popcount(word & mask));
    }
  }
}

void TImageBilevelReducer::AddRow(const uint8_t* bits) {
  if (levels_.Empty() || row_ >= height_) return;
  CountRow(bits);
  ++row_, ++bandRows_;
  if (bandRows_ == step_ || row_ == height_) EmitBand();
}

void TImageBilevelReducer::Finish() {
  if (levels_.Empty()) return;
  while (row_ < height_) {
    // Missing rows: nothing to count, only the band to complete.
    const int take = std::min(step_ - bandRows_, height_ - row_);
    row_ += take, bandRows_ += take;
    EmitBand();
  }
}

namespace {

// The level of ones 1-bits among pixels.
uint8_t LevelOf(uint64_t ones, uint64_t pixels, bool invert) {
  ones = std::min(ones, pixels);
  if (invert) ones = pixels - ones;
  return static_cast<uint8_t>((ones * (kBilevelLevels - 1) + pixels / 2) / pixels);
}

// Blocks up to this many pixels take their level from a table.
constexpr uint64_t kMaxTabledBlock = 4096;

}  // namespace

// Turns the counts of a finished band into one output row of levels.
void TImageBilevelReducer::EmitBand() {
  const int y = (row_ - 1) / step_;
  uint8_t* out = levels_.Row(y);
  const int outW = levels_.Width();
  // Every block but the last of a row has step columns: their levels come
  // from a table of the possible counts, which spares a division per pixel.
  const uint64_t full = static_cast<uint64_t>(step_) * static_cast<uint64_t>(bandRows_);
  std::vector<uint8_t> table;
  if (full <= kMaxTabledBlock)
    for (uint64_t ones = 0; ones <= full; ++ones) table.push_back(LevelOf(ones, full, invert_));
  for (int x = 0; x < outW; ++x) {
    const int64_t blockWidth = std::min<int64_t>(step_, width_ - int64_t{x} * step_);
    const uint64_t ones = counts_[static_cast<size_t>(x)];
    uint8_t level;
    if (blockWidth == step_ && !table.empty())
      level = table[std::min(ones, full)];
    else
      level = LevelOf(ones, static_cast<uint64_t>(blockWidth) * static_cast<uint64_t>(bandRows_), invert_);
    out[x >> 1] |= static_cast<uint8_t>((x & 1) ? level : level << 4);
  }
  std::fill(counts_.begin(), counts_.end(), 0);
  bandRows_ = 0;
}

}  // namespace ostrel
