#pragma once
// JPEG output through libjpeg: a baseline JFIF file of three components.
#include <string>

#include "platform/bitmap.h"

namespace ostrel {

class TPDFJPEGImage {
 public:
  void Assign(const Bitmap& bitmap);
  // 0..100, scaled with the baseline-compatible table limit.
  int Quality = 75;
  // The complete file. Throws std::runtime_error with libjpeg's message when
  // compression fails; libjpeg is never allowed to end the process.
  std::string Save() const;

 private:
  Bitmap picture_;
};

}  // namespace ostrel
