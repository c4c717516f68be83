#pragma once
// TPNGReader: the chunks of a PNG file, and its pixels as Flate-compressed
// sample planes ready to embed (colour or palette indices in one plane,
// alpha in another). When the file's own compressed data can be embedded as
// it is, nothing is decoded.
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

class TPNGReader {
 public:
  // Set before Read: keep only the high byte of 16-bit colour / alpha samples.
  bool ReduceColor16 = false;
  bool ReduceAlpha16 = false;

  // Parses and, unless PassThrough, decodes. True when ColorSamples exist.
  bool Read(std::string_view file);

  // Samples per pixel of the file (palette indices count as one).
  int Channels() const;
  // Colour samples per pixel of the output (alpha left out).
  int ColorChannels() const { return ColorType == 4 || ColorType == 6 ? Channels() - 1 : Channels(); }
  bool HasAlpha() const { return ColorType == 4 || ColorType == 6; }

  // From IHDR.
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint8_t BitDepth = 0;
  uint8_t ColorType = 0;
  uint8_t CompressionMethod = 0;
  uint8_t FilterMethod = 0;
  uint8_t InterlaceMethod = 0;

  std::string Palette;  // PLTE bytes
  int PaletteEntries = 0;
  std::string Transparency;  // tRNS bytes: the colour-key mask of the import
  std::string ImageData;     // all IDAT chunks joined
  std::string ICCProfile;    // the iCCP chunk's profile, inflated (bounded); empty without one
  int ResolutionX = 96;
  int ResolutionY = 96;

  int ColorDepth = 0;
  int AlphaDepth = 0;
  std::string ColorSamples;  // Flate data (the IDAT data itself when PassThrough)
  std::string AlphaSamples;  // Flate data; empty without alpha
  bool PassThrough = false;
  // ColorSamples / AlphaSamples hold PNG-filtered rows (predictor 15): the
  // file's own when PassThrough; for pictures with alpha, each plane filtered
  // anew when that packs smaller.
  bool ColorRowsFiltered = false;
  bool AlphaRowsFiltered = false;

 private:
  bool ReadChunks(std::string_view file);
  bool ValidDepth() const;
  void Decode();
};

}  // namespace ostrel
