#include "pdf/compose/tiff_reader.h"

#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

#include "pdf/compose/image_limits.h"

namespace ostrel {

namespace {

// libtiff reads through these from the file image in memory.
struct MemoryFile {
  std::string_view Data;
  uint64_t Pos = 0;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
  auto* f = static_cast<MemoryFile*>(handle);
  if (size <= 0 || f->Pos >= f->Data.size()) return 0;
  size_t n = std::min<uint64_t>(static_cast<uint64_t>(size), f->Data.size() - f->Pos);
  std::memcpy(buffer, f->Data.data() + f->Pos, n);
  f->Pos += n;
  return static_cast<tmsize_t>(n);
}
tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }
toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* f = static_cast<MemoryFile*>(handle);
  uint64_t base = whence == SEEK_CUR ? f->Pos : whence == SEEK_END ? f->Data.size() : 0;
  f->Pos = base + offset;
  return f->Pos;
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return static_cast<MemoryFile*>(handle)->Data.size(); }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}
// A damaged file is reported through our results, not on the terminal.
int Silent(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

TiffHandle OpenMemory(MemoryFile& file) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t{256} << 20);
  TIFFOpenOptionsSetErrorHandlerExtR(options, Silent, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, Silent, nullptr);
  TIFF* tif = TIFFClientOpenExt("image", "rm", &file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc,
                                UnmapProc, options);
  TIFFOpenOptionsFree(options);
  return TiffHandle(tif);
}

// Only classic TIFF headers: "II" or "MM" followed by 42.
bool ClassicHeader(std::string_view d) {
  if (d.size() < 8) return false;
  if (d.substr(0, 4) == std::string_view("II*\0", 4)) return true;
  return d.substr(0, 4) == std::string_view("MM\0*", 4);
}

TTIFFCompression CompressionKind(uint16_t value, uint32_t group3Options) {
  switch (value) {
    case COMPRESSION_NONE: return TTIFFCompression::None;
    case COMPRESSION_CCITTFAX3:
      return group3Options & GROUP3OPT_2DENCODING ? TTIFFCompression::Group3TwoD : TTIFFCompression::Group3OneD;
    case COMPRESSION_CCITTFAX4: return TTIFFCompression::Group4;
    case COMPRESSION_LZW: return TTIFFCompression::LZW;
    case COMPRESSION_OJPEG:
    case COMPRESSION_JPEG: return TTIFFCompression::JPEG;
    case COMPRESSION_PACKBITS: return TTIFFCompression::PackBits;
  }
  return TTIFFCompression::Unsupported;
}

int Dpi(TIFF* tif, uint32_t tag, uint16_t unit) {
  float value = 0;
  if (!TIFFGetField(tif, tag, &value) || !std::isfinite(value) || value <= 0 || value > 1e6) return 0;
  return static_cast<int>(std::lround(unit == RESUNIT_CENTIMETER ? value * 2.54 : value));
}

TTIFFPage ReadPage(TIFF* tif, std::string_view file) {
  TTIFFPage page;
  uint16_t u16 = 0;
  uint32_t u32 = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page.Width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page.Height);
  if (TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &u16)) page.BitsPerSample = u16 > 32 ? 0 : u16;
  uint16_t compression = COMPRESSION_NONE;
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
  uint32_t group3 = 0;
  if (compression == COMPRESSION_CCITTFAX3) TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &group3);
  page.Compression = CompressionKind(compression, group3);
  page.ByteAlignedLines = compression == COMPRESSION_CCITTFAX3 && (group3 & GROUP3OPT_FILLBITS);
  if (page.Compression == TTIFFCompression::PackBits && page.BitsPerSample == 0) page.BitsPerSample = 1;
  if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &u16) && u16 <= 7) page.Photometric = u16;
  page.BlackIsZero = page.Photometric == PHOTOMETRIC_MINISBLACK;
  if (TIFFGetField(tif, TIFFTAG_FILLORDER, &u16)) page.FillOrderReversed = u16 == FILLORDER_LSB2MSB;
  if (TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &u16)) page.SamplesPerPixel = u16;
  if (TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &u16)) page.PlanarSeparate = u16 == PLANARCONFIG_SEPARATE;
  if (TIFFGetField(tif, TIFFTAG_SAMPLEFORMAT, &u16)) page.SampleFormat = u16;
  if (compression == COMPRESSION_LZW && TIFFGetField(tif, TIFFTAG_PREDICTOR, &u16)) page.Predictor = u16;
  uint16_t extraCount = 0;
  uint16_t* extraTypes = nullptr;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraTypes && extraCount > 0) {
    page.ExtraSamples = extraCount;
    if (extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA)
      page.AlphaKind = extraTypes[0];
  }
  if (TIFFGetField(tif, TIFFTAG_ORIENTATION, &u16) && u16 >= 1 && u16 <= 8) page.Orientation = u16;
  void* profile = nullptr;
  if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &u32, &profile) && profile && u32 <= (uint32_t{16} << 20))
    page.ICCProfile.assign(static_cast<const char*>(profile), u32);
  page.Tiled = TIFFIsTiled(tif);
  page.LittleEndian = !TIFFIsBigEndian(tif);

  uint16_t unit = RESUNIT_INCH;
  TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  page.ResolutionX = Dpi(tif, TIFFTAG_XRESOLUTION, unit);
  page.ResolutionY = Dpi(tif, TIFFTAG_YRESOLUTION, unit);

  if (page.BitsPerSample >= 1 && page.BitsPerSample <= 8) {
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) && red && green && blue) {
      size_t n = size_t{1} << page.BitsPerSample;
      page.ColorMap.reserve(3 * n);
      page.ColorMap.insert(page.ColorMap.end(), red, red + n);
      page.ColorMap.insert(page.ColorMap.end(), green, green + n);
      page.ColorMap.insert(page.ColorMap.end(), blue, blue + n);
    }
  }
  if (page.Compression == TTIFFCompression::JPEG) {
    void* tables = nullptr;
    if (TIFFGetField(tif, TIFFTAG_JPEGTABLES, &u32, &tables) && tables && u32 > 4)
      page.JPEGTables.assign(static_cast<const char*>(tables), u32);
  }

  uint64_t *offsets = nullptr, *counts = nullptr;
  uint32_t strips = page.Tiled ? 0 : TIFFNumberOfStrips(tif);
  if (strips && TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &offsets) && offsets) {
    if (!TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts)) counts = nullptr;
    page.Strips.reserve(strips);
    for (uint32_t s = 0; s < strips; ++s) {
      uint64_t at = offsets[s], n = counts ? counts[s] : 0;
      page.Strips.push_back(at < file.size() ? file.substr(at, std::min<uint64_t>(n, file.size() - at))
                                             : std::string_view());
    }
  }
  uint32_t rows = page.Height;
  TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rows);
  if (page.Strips.size() <= 1 || rows == 0 || rows > page.Height) rows = page.Height;
  page.RowsPerStrip = rows;
  return page;
}

}  // namespace

void TPDFTIFF::Read(std::string bytes) {
  pages_.clear();
  file_ = std::move(bytes);
  if (!ClassicHeader(file_)) return;
  MemoryFile memory{file_};
  TiffHandle tif = OpenMemory(memory);
  if (!tif) return;
  // libtiff stops at a directory offset it has already visited.
  do {
    pages_.push_back(ReadPage(tif.get(), file_));
  } while (pages_.size() < kMaxPages && TIFFReadDirectory(tif.get()));
}

std::optional<TTIFFPage> TPDFTIFF::Page(int n) const {
  if (n < 1 || n > PageCount()) return std::nullopt;
  return pages_[n - 1];
}

namespace {

// The most bytes a page's strips can decode to: what each compression can
// expand its data to at best (an LZW code of at least 9 bits stands for at
// most 4096 bytes; a PackBits run of 2 bytes for 128). A header that claims
// more pixels than that is not believed, before anything is allocated.
uint64_t MaxDecodedBytes(const TTIFFPage& page) {
  uint64_t stored = 0;
  for (std::string_view strip : page.Strips) stored += strip.size();
  switch (page.Compression) {
    case TTIFFCompression::None: return stored;
    case TTIFFCompression::PackBits: return stored * 64 + 128;
    case TTIFFCompression::LZW: return stored * 3641 + 4096;
    // At best two bits code a block of 64 samples (the DC difference and the
    // end of block, one bit each): 256 samples a byte.
    case TTIFFCompression::JPEG: return stored * 256 + 65536;
    default: return 0;
  }
}

}  // namespace

std::string TPDFTIFF::DecodedSamples(int n) const {
  if (n < 1 || n > PageCount()) return {};
  const TTIFFPage& page = pages_[n - 1];
  uint64_t rowBits = uint64_t{page.Width} * page.SamplesPerPixel * page.BitsPerSample;
  if (page.Tiled || page.PlanarSeparate || uint64_t{page.Width} * page.Height > kMaxImagePixels) return {};
  if ((rowBits + 7) / 8 * page.Height > MaxDecodedBytes(page)) return {};
  MemoryFile memory{file_};
  TiffHandle tif = OpenMemory(memory);
  if (!tif || !TIFFSetDirectory(tif.get(), static_cast<tdir_t>(n - 1))) return {};
  size_t rowBytes = static_cast<size_t>((rowBits + 7) / 8);
  tmsize_t stripSize = TIFFStripSize(tif.get());
  if (stripSize <= 0 || rowBytes == 0) return {};
  std::string out;
  std::string strip(static_cast<size_t>(stripSize), '\0');
  uint32_t rowsLeft = page.Height;
  for (uint32_t s = 0; s < TIFFNumberOfStrips(tif.get()) && rowsLeft > 0; ++s) {
    uint32_t rows = std::min(rowsLeft, page.RowsPerStrip);
    if (TIFFReadEncodedStrip(tif.get(), s, strip.data(), stripSize) < 0) return {};
    out.append(strip, 0, std::min(strip.size(), rowBytes * rows));
    rowsLeft -= rows;
  }
  out.resize(rowBytes * page.Height, '\0');
  // libtiff hands 16-bit samples over in the machine's order; PDF wants them big-endian.
  if (page.BitsPerSample == 16 && std::endian::native == std::endian::little) {
    for (size_t i = 0; i + 1 < out.size(); i += 2) std::swap(out[i], out[i + 1]);
  }
  return out;
}

}  // namespace ostrel
