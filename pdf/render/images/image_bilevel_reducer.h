#pragma once
// A bilevel image brought down by a whole step while its rows arrive, so that
// an image far beyond the pixel bound never exists at full size: each output
// pixel holds the share of 1-bits in its step x step block, as a level from 0
// (none) to 15 (all) in a 4-bit picture. Averaging keeps thin strokes that
// picking one pixel in nine would drop, and gives the gray a smaller page
// shows a dense scan as.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/bitmap.h"

namespace ostrel {

inline constexpr int kBilevelLevels = 16;

class TImageBilevelReducer {
 public:
  // width x height source pixels in blocks of step x step. invert counts the
  // 0-bits instead. False when the reduced picture cannot be allocated.
  bool Start(int width, int height, int step, bool invert);
  // The next source row: (width + 7) / 8 bytes, most significant bit first.
  // Rows beyond height are ignored.
  void AddRow(const uint8_t* bits);
  // Completes a last partial band of rows; rows never added count as 0-bits.
  void Finish();

  // Levels 0..15 in a 4-bit picture whose palette the caller sets.
  Bitmap& Levels() { return levels_; }
  int OutWidth() const { return levels_.Width(); }
  int OutHeight() const { return levels_.Height(); }

 private:
  void CountRow(const uint8_t* bits);
  void EmitBand();

  int width_ = 0, height_ = 0, step_ = 1;
  bool invert_ = false;
  int row_ = 0;          // source rows added
  int bandRows_ = 0;     // rows counted into the band
  std::vector<uint64_t> counts_;  // 1-bits per output column in the band
  Bitmap levels_;
};

}  // namespace ostrel
