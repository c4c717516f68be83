#include "pdf/render/output/tiff_writer.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <tiffio.h>

namespace ostrel {

namespace {

// A growable in-memory file for libtiff's client procedures.
struct TMemoryFile {
  std::string Data;
  toff_t Position = 0;
  std::string Error;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
  auto* file = static_cast<TMemoryFile*>(handle);
  if (size < 0 || file->Position >= file->Data.size()) return 0;
  size_t n = std::min<size_t>(static_cast<size_t>(size), file->Data.size() - file->Position);
  std::memcpy(buffer, file->Data.data() + file->Position, n);
  file->Position += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size) {
  auto* file = static_cast<TMemoryFile*>(handle);
  if (size < 0) return -1;
  const size_t end = file->Position + static_cast<size_t>(size);
  if (end > file->Data.size()) file->Data.resize(end);
  std::memcpy(file->Data.data() + file->Position, buffer, static_cast<size_t>(size));
  file->Position = end;
  return size;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<TMemoryFile*>(handle);
  toff_t base = whence == SEEK_CUR ? file->Position : whence == SEEK_END ? file->Data.size() : 0;
  file->Position = base + offset;
  return file->Position;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return static_cast<TMemoryFile*>(handle)->Data.size(); }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

int KeepError(TIFF*, void* user, const char* module, const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  auto* file = static_cast<TMemoryFile*>(user);
  if (file->Error.empty()) file->Error = text;
  return 1;  // handled: nothing goes to stderr
}

int DropWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

std::string EncodeTIFF(const Bitmap& source, double dpi) {
  Bitmap converted;
  const Bitmap& picture = source.In24Bits(converted);
  TMemoryFile file;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, KeepError, &file);
  TIFFOpenOptionsSetWarningHandlerExtR(options, DropWarning, nullptr);
  TIFF* tif = TIFFClientOpenExt("page", "w", &file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                MapProc, UnmapProc, options);
  TIFFOpenOptionsFree(options);
  if (!tif) throw std::runtime_error("TIFF encoding failed: " + file.Error);

  const int width = picture.Width(), height = picture.Height();
  bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width)) &&
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height)) &&
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3) &&
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
            TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
            TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) &&
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
  if (ok && std::isfinite(dpi) && dpi > 0) {
    ok = TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(dpi)) &&
         TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(dpi)) &&
         TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  }
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  for (int y = 0; ok && y < height; ++y) {
    const uint8_t* bgr = picture.Row(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = bgr[3 * x + 2];
      row[3 * x + 1] = bgr[3 * x + 1];
      row[3 * x + 2] = bgr[3 * x];
    }
    ok = TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) == 1;
  }
  ok = ok && TIFFFlush(tif) == 1;
  TIFFClose(tif);
  if (!ok) {
    throw std::runtime_error("TIFF encoding failed: " +
                             (file.Error.empty() ? std::string("libtiff refused the picture") : file.Error));
  }
  return std::move(file.Data);
}

}  // namespace ostrel
