#pragma once
// JPXDecode: a JPEG 2000 file (JP2) or raw codestream decoded by OpenJPEG
// into our Bitmap: 3 components give 24 bits, 4 give 32, anything else an
// 8-bit grey picture of the first component.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/bitmap.h"

namespace ostrel {

class EJpeg2000Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TJpeg2000Bitmap : public Bitmap {
 public:
  // Encoding settings, kept for the library's writers; decoding ignores them.
  bool Lossless = false;
  int Quality = 80;
  bool UseCMYK = false;
  // Largest sample count (width x height summed over components) decoded.
  size_t MaxSamples = size_t{1} << 28;
  // For a picture of two components, grey and opacity: the second, one byte
  // per pixel, rows top-down. Empty otherwise.
  std::string Opacity;

  TJpeg2000Bitmap() = default;

  // Throws EJpeg2000Error "Unknown JPEG 2000 file type" or
  // "JPEG 2000 image decoding failed"; the bitmap is then left empty.
  void LoadFromStream(std::string_view data);
};

}  // namespace ostrel
