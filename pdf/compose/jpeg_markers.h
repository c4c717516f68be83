#pragma once
// The frame header of a JPEG stream, and the metadata that changes how it is
// shown (EXIF orientation, ICC profile), found by walking its markers without
// decoding anything.
#include <string>
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

struct TJPEGMetadata {
  int Orientation = 1;      // EXIF orientation, 1..8; 1 when absent or invalid
  std::string ICCProfile;   // the APP2 chunks joined; empty when absent or incomplete
};

// Reads the APP1 Exif and APP2 ICC_PROFILE segments before the first scan.
// A profile split over several segments is put together by sequence number;
// one with a chunk missing, repeated or inconsistently counted is dropped.
TJPEGMetadata ScanJPEGMetadata(std::string_view data);

// The orientation tag (0x0112) of a TIFF structure, as EXIF embeds one: the
// "II" or "MM" header, then the first directory. 1 when absent or invalid.
int ExifOrientation(std::string_view tiff);

}  // namespace ostrel
