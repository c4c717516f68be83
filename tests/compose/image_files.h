#pragma once
// Small image files made at test time: PNG (with zlib), BMP and GIF by hand,
// TIFF through libtiff, JPEG through libjpeg.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ostrel::testing {

// Samples given one value per channel per pixel, rows top-down.
struct SampleImage {
  int Width = 0, Height = 0, Channels = 1, Depth = 8;
  std::vector<uint16_t> Samples;
  uint16_t At(int x, int y, int c) const { return Samples[(size_t(y) * Width + x) * Channels + c]; }
};

// Deterministic test pattern with every value of the depth showing up.
SampleImage Pattern(int width, int height, int channels, int depth, int seed = 1);
// Rows packed as PDF and PNG store them (most significant bits first).
std::string PackedRows(const SampleImage& image);

struct PngOptions {
  PngOptions(int colorType = 2, bool interlaced = false, std::string palette = "", bool badCrc = false)
      : ColorType(colorType), Interlaced(interlaced), Palette(std::move(palette)), BadCrc(badCrc) {}
  int ColorType = 2;
  bool Interlaced = false;
  std::string Palette;         // PLTE bytes; none when empty
  bool BadCrc = false;
  size_t TruncateIdatTo = 0;   // keep only this many IDAT bytes when not 0
  std::string IccProfile;      // an iCCP chunk when not empty
};
std::string MakePng(const SampleImage& image, const PngOptions& options);

// Pixels as palette indices (bits <= 8) or colours 0xAARRGGBB (16 from 5-5-5;
// the alpha byte is written for 32 bits only).
struct BmpOptions {
  BmpOptions(int bits = 24, bool topDown = false, int rle = 0, std::vector<uint32_t> palette = {})
      : Bits(bits), TopDown(topDown), Rle(rle), Palette(std::move(palette)) {}
  int Bits = 24;
  bool TopDown = false;
  int Rle = 0;  // 8 or 4: run-length encode (each row as literal and repeat runs)
  std::vector<uint32_t> Palette;  // 0x00RRGGBB
};
// index(x, y) gives the palette index for palette forms; rgb(x, y) the colour otherwise.
std::string MakeBmp(int width, int height, const BmpOptions& options, const std::vector<uint32_t>& pixels);

struct GifFrame {
  GifFrame(int left = 0, int top = 0, int width = 0, int height = 0, bool interlaced = false)
      : Left(left), Top(top), Width(width), Height(height), Interlaced(interlaced) {}
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool Interlaced = false;
  std::string LocalTable;      // 3 bytes per entry; none when empty
  std::vector<uint8_t> Indices;  // rows top-down
  int MinCodeSize = 8;
  int TransparentIndex = -1;  // none when negative
};
std::string MakeGif(int width, int height, const std::string& globalTable, const std::vector<GifFrame>& frames);
// GIF LZW of indices with the given minimum code size (no dictionary use).
std::string GifLzwEncode(const std::vector<uint8_t>& indices, int minCodeSize);

struct TiffOptions {
  bool BigEndian = false;
  int Compression = 1;  // libtiff's COMPRESSION_* value
  int Photometric = 2;
  int Predictor = 1;
  int RowsPerStrip = 0;  // 0: one strip
  std::vector<uint16_t> ColorMap;
  bool JpegTablesSeparate = true;
  std::vector<uint16_t> ExtraSamples;  // EXTRASAMPLE_* of the channels beyond the colours
};
// The samples written through libtiff; several pages when given several images.
std::string MakeTiff(const std::vector<SampleImage>& pages, const TiffOptions& options);

// A JPEG of the samples (1, 3 or 4 channels, 8 bits).
std::string MakeJpeg(const SampleImage& image, bool progressive = false, int quality = 90);
// The JPEG with one more marker segment (marker, then body) right after its start.
std::string WithJpegSegment(const std::string& jpeg, uint8_t marker, const std::string& body);
// An ICC profile as far as its header goes: the size, the colour space
// signature ("RGB ", "GRAY", "CMYK") and "acsp", then filler bytes.
std::string MakeIccProfile(const std::string& space, size_t size);

}  // namespace ostrel::testing
