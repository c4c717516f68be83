#pragma once
// The frame header of a JPEG stream, found by walking its markers without
// decoding anything.
#include <string_view>

namespace ostrel {

struct TJPEGFrame {
  int Width = 0;
  int Height = 0;
  int Components = 0;
};

// Walks the markers from the start of image to the first baseline,
// extended, progressive or lossless frame header (SOF0 to SOF3). False when
// the walk breaks off or no such frame exists.
bool ScanJPEGFrame(std::string_view data, TJPEGFrame& frame);

}  // namespace ostrel
