#pragma once
// TPDFGIFDecoder: the blocks of a GIF file, and all its frames composited
// onto one 24-bit bitmap of the logical screen, each drawn over the previous
// ones. A frame's transparent colour lets what lies below show through;
// disposal is not applied.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bitmap.h"

namespace ostrel {

struct TGIFImageBlock {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool LocalTableFlag = false;
  bool Interlaced = false;
  std::string LocalColorTable;  // 3 bytes per entry
  int MinCodeSize = 0;
  std::string Data;  // the data sub-blocks joined
  // The graphic control extension in force for this image.
  int DisposalMethod = 0;
  bool UserInput = false;
  bool TransparencyFlag = false;
  int Delay = 0;
  int TransparentIndex = 0;
};

class TPDFGIFDecoder {
 public:
  // Parses the blocks. True when the header was valid.
  bool Read(std::string_view file);
  // The logical screen with every frame drawn on it, 24 bits per pixel.
  // False (and an empty bitmap) when there is nothing to draw. When a frame
  // has a transparent colour, alpha (if given) receives one byte per screen
  // pixel, rows top-down: 255 where some frame drew, 0 where none did; it
  // stays empty when every pixel is opaque or no frame is transparent.
  bool RenderTo(Bitmap& bitmap, std::string* alpha = nullptr) const;

  std::string Version;  // "87a" or "89a"
  int ScreenWidth = 0, ScreenHeight = 0;
  bool GlobalTableFlag = false;
  int GlobalTableSize = 0;  // entries
  int BackgroundIndex = 0;
  std::string GlobalColorTable;
  std::vector<TGIFImageBlock> Images;

 private:
  void DrawFrame(const TGIFImageBlock& block, Bitmap& screen, std::string* alpha) const;
  size_t fileSize_ = 0;
};

// GIF's LZW: least significant bit first, codes from minCodeSize + 1 bits up
// to 12, no early change. Stops after maxPixels indices. A minimum code size
// outside 2..8 gives nothing.
std::string GifLzwDecode(std::string_view data, int minCodeSize, size_t maxPixels);

}  // namespace ostrel
