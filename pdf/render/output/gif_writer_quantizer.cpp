// The octree colour reduction behind the GIF writer.
#include "pdf/render/output/gif_writer.h"

namespace ostrel {

TColorQuantizer::TColorQuantizer() : root_(std::make_unique<TOctreeNode>()) {
  reducible_[0].push_back(root_.get());
}

void TColorQuantizer::AddPixel(uint8_t red, uint8_t green, uint8_t blue) {
  TOctreeNode* node = root_.get();
  for (int level = 0; !node->IsLeaf; ++level) {
    const int bit = 7 - level;
    const int child = (((red >> bit) & 1) << 2) | (((green >> bit) & 1) << 1) | ((blue >> bit) & 1);
    auto& slot = node->Children[child];
    if (!slot) {
      slot = std::make_unique<TOctreeNode>();
      if (level + 1 == 8) {
        slot->IsLeaf = true;
        ++leafCount_;
      } else {
        reducible_[level + 1].push_back(slot.get());
      }
    }
    node = slot.get();
  }
  // A leaf: at level 8, or a node whose children were folded into it.
  node->PixelCount += 1;
  node->Red += red;
  node->Green += green;
  node->Blue += blue;
}

bool TColorQuantizer::FoldDeepestReducible() {
  int level = 7;
  while (level >= 0 && reducible_[level].empty()) --level;
  if (level < 0) return false;
  TOctreeNode* node = reducible_[level].back();
  reducible_[level].pop_back();
  int children = 0;
  for (auto& child : node->Children) {
    if (!child) continue;
    node->PixelCount += child->PixelCount;
    node->Red += child->Red;
    node->Green += child->Green;
    node->Blue += child->Blue;
    child.reset();
    ++children;
  }
  node->IsLeaf = true;
  leafCount_ -= children - 1;
  return true;
}

void TColorQuantizer::ReduceTo(int maxLeaves) {
  while (leafCount_ > maxLeaves && FoldDeepestReducible()) {
  }
}

void TColorQuantizer::AddBitmap(const Bitmap& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* bgr = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x, bgr += 3) AddPixel(bgr[2], bgr[1], bgr[0]);
    ReduceTo(kMaxColors);
  }
}

std::vector<uint32_t> TColorQuantizer::Palette() {
  std::vector<uint32_t> colors;
  // Depth-first with an explicit stack; children pushed 7..0 so 0 comes out first.
  std::vector<TOctreeNode*> stack{root_.get()};
  while (!stack.empty()) {
    TOctreeNode* node = stack.back();
    stack.pop_back();
    if (node->IsLeaf) {
      uint64_t n = node->PixelCount ? node->PixelCount : 1;
      node->PaletteIndex = static_cast<int>(colors.size());
      colors.push_back(static_cast<uint32_t>((node->Red / n) << 16 | (node->Green / n) << 8 | (node->Blue / n)));
      continue;
    }
    for (int i = 7; i >= 0; --i)
      if (node->Children[i]) stack.push_back(node->Children[i].get());
  }
  return colors;
}

}  // namespace ostrel
