#pragma once
// TPDFTIFF: the pages (image file directories) of a TIFF file with what is
// needed to embed their strips as they are stored. libtiff walks the
// directory chain (stopping at a loop) and reads the tags; the strip bytes
// are views into the file image this object keeps.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

enum class TTIFFCompression { None, Group4, LZW, Group3OneD, Group3TwoD, PackBits, JPEG, Unsupported };

struct TTIFFPage {
  uint32_t Width = 0;
  uint32_t Height = 0;
  int BitsPerSample = 8;
  TTIFFCompression Compression = TTIFFCompression::None;
  int Photometric = 0;
  bool BlackIsZero = false;  // photometric 1
  bool FillOrderReversed = false;  // least significant bit first
  int SamplesPerPixel = 1;
  uint32_t RowsPerStrip = 0;  // resolved: 1..Height
  int ResolutionX = 0, ResolutionY = 0;  // dots per inch
  bool PlanarSeparate = false;
  bool Tiled = false;
  bool ByteAlignedLines = false;
  int Predictor = 1;
  int SampleFormat = 1;  // 1 unsigned integers; anything else cannot be embedded
  int ExtraSamples = 0;  // samples per pixel beyond the colour components
  int AlphaKind = 0;     // the first extra sample: 1 premultiplied alpha, 2 straight alpha, 0 not alpha
  int Orientation = 1;   // 1..8, as EXIF numbers them
  std::string ICCProfile;
  bool LittleEndian = false;
  std::vector<uint16_t> ColorMap;  // all red, then all green, then all blue
  std::string JPEGTables;          // the abbreviated table stream of JPEG strips
  std::vector<std::string_view> Strips;  // into the reader's file image
};

class TPDFTIFF {
 public:
  TPDFTIFF() = default;
  TPDFTIFF(const TPDFTIFF&) = delete;
  TPDFTIFF& operator=(const TPDFTIFF&) = delete;

  // Keeps the bytes and reads every directory. A bad header gives no pages.
  void Read(std::string bytes);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  // A copy of page n (1-based); nothing for other numbers. Its strips stay
  // valid while this reader lives.
  std::optional<TTIFFPage> Page(int n) const;

  // Page n's pixels through libtiff's own decoders: all strips joined, rows
  // packed, 16-bit samples big-endian. Empty when it cannot be decoded.
  std::string DecodedSamples(int n) const;

  // Directories beyond this many are not read.
  static constexpr int kMaxPages = 4096;

 private:
  std::string file_;
  std::vector<TTIFFPage> pages_;
};

}  // namespace ostrel
