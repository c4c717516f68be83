#pragma once
// TIFF output through libtiff: 8-bit RGB, LZW with the horizontal predictor
// (lossless), resolution tags in dots per inch.
#include <string>

#include "platform/bitmap.h"

namespace ostrel {

// The complete file. dpi above 0 goes into XResolution and YResolution.
// Throws std::runtime_error with libtiff's message when encoding fails;
// libtiff's messages never reach stderr.
std::string EncodeTIFF(const Bitmap& bitmap, double dpi);

}  // namespace ostrel
