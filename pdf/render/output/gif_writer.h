#pragma once
// Our own GIF encoder: an octree colour reduction to at most 256 colours,
// a 15-bit lookup table from colours to palette entries, and GIF's LZW.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/bitmap.h"

namespace ostrel {

struct TOctreeNode {
  bool IsLeaf = false;
  uint64_t PixelCount = 0;
  uint64_t Red = 0, Green = 0, Blue = 0;
  int PaletteIndex = 0;
  std::array<std::unique_ptr<TOctreeNode>, 8> Children;
};

// Octree of depth 8 holding at most 256 leaves after every row.
class TColorQuantizer {
 public:
  static constexpr int kMaxColors = 256;

  TColorQuantizer();
  // Adds every pixel of a 24-bit bitmap, reducing after each row.
  void AddBitmap(const Bitmap& bitmap);
  void AddPixel(uint8_t red, uint8_t green, uint8_t blue);
  void ReduceTo(int maxLeaves);
  // Leaf colours in depth-first order (children 0 to 7), as 0x00RRGGBB;
  // numbers the leaves in that order.
  std::vector<uint32_t> Palette();
  int LeafCount() const { return leafCount_; }

 private:
  bool FoldDeepestReducible();

  std::unique_ptr<TOctreeNode> root_;
  std::array<std::vector<TOctreeNode*>, 8> reducible_;  // per level, newest last
  int leafCount_ = 0;
};

class TPDFGIFWriter {
 public:
  // Reduces the bitmap's colours and maps every pixel to a palette index.
  void QuantizeFromBitmap(const Bitmap& bitmap);
  // The complete GIF87a file.
  std::string Write() const;

  // Filled by QuantizeFromBitmap: 256 entries as 0x00RRGGBB, of which the
  // first UsedColors are the octree's leaves, and one index per pixel.
  std::array<uint32_t, 256> Palette{};
  int UsedColors = 0;
  std::vector<uint8_t> Indexes;
  int Width = 0;
  int Height = 0;
};

// GIF's LZW over 8-bit indexes (minimum code size 8), codes packed least
// significant bit first; the bytes before sub-block framing.
std::string GIFCompress(const std::vector<uint8_t>& indexes);

}  // namespace ostrel
