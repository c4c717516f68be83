#pragma once
// DCTDecode through libjpeg(-turbo), into our Bitmap.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/bitmap.h"

namespace ostrel {

struct TJpegInfo {
  int Width = 0;
  int Height = 0;
  int Components = 0;        // 1 grey, 3 colour, 4 CMYK/YCCK
  bool AdobeInverted = false;  // an Adobe marker: CMYK samples are stored inverted
};

struct TDCTDecoder {
  // Largest decoded picture accepted (width x height x components).
  size_t MaxBytes = Bitmap::kMaxBytes;

  // Grey JPEGs give an 8-bit bitmap with a grey palette, colour ones 24-bit
  // BGR, CMYK/YCCK ones 32-bit holding the C, M, Y, K samples as stored.
  // A stray line feed before the start marker is skipped. Returns false with
  // a message in `error` when the data cannot be decoded; damage after the
  // header leaves the undecoded rest of the picture grey, as libjpeg does.
  bool Decode(std::string_view data, Bitmap& out, TJpegInfo* info = nullptr,
              std::string* error = nullptr) const;
};

// Only the header: size and component count, without decoding pixels.
bool ReadJpegInfo(std::string_view data, TJpegInfo& info);

}  // namespace ostrel
