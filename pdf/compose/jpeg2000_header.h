#pragma once
// The size of a JPEG 2000 picture and whether it carries alpha, read without
// decoding: from the header boxes (ihdr, cdef) of a JP2 file, or from the
// SIZ and COD marker segments of a raw codestream.
#include <string_view>

namespace ostrel {

struct TJPEG2000Header {
  bool FileFormat = false;  // a JP2 file (boxes) rather than a bare codestream
  int Width = 0;
  int Height = 0;
  int Components = 0;
  // One component is opacity: a JP2 file's channel definition (cdef) says
  // so, or a bare codestream has grey and one more component, or RGB (by
  // its component transform) and one more.
  bool Alpha = false;
  bool Premultiplied = false;  // the colour is already multiplied by that opacity
};

// True when the data starts with the JP2 signature box or a codestream's
// SOC marker.
bool LooksLikeJPEG2000(std::string_view data);

// False when the header cannot be found or gives an empty or oversized picture.
bool ReadJPEG2000Header(std::string_view data, TJPEG2000Header& header);

}  // namespace ostrel
