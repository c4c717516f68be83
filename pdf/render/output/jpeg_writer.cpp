#include "pdf/render/output/jpeg_writer.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "pdf/filters/jpeg_errors.h"

namespace ostrel {

namespace {

// Only plain C data lives between setjmp and longjmp here, so the jump skips
// no destructor. Returns false with the message set on failure.
bool Compress(const Bitmap& picture, int quality, std::vector<uint8_t>& row, unsigned char** buffer,
              unsigned long* size, TJpegErrors& errors) {
  jpeg_compress_struct cinfo;
  cinfo.err = InstallJpegErrors(errors);
  if (setjmp(errors.Escape)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, buffer, size);
  cinfo.image_width = static_cast<JDIMENSION>(picture.Width());
  cinfo.image_height = static_cast<JDIMENSION>(picture.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  JSAMPROW rows[1] = {row.data()};
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint8_t* bgr = picture.Row(static_cast<int>(cinfo.next_scanline));
    for (int x = 0; x < picture.Width(); ++x) {
      row[3 * x] = bgr[3 * x + 2];
      row[3 * x + 1] = bgr[3 * x + 1];
      row[3 * x + 2] = bgr[3 * x];
    }
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

void TPDFJPEGImage::Assign(const Bitmap& bitmap) {
  picture_ = bitmap.PixelFormat() == TPixelFormat::pf24bit ? bitmap : bitmap.ConvertedTo24Bit();
}

std::string TPDFJPEGImage::Save() const {
  std::vector<uint8_t> row(static_cast<size_t>(picture_.Width()) * 3 + 3);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  TJpegErrors errors;
  const bool ok = Compress(picture_, std::clamp(Quality, 0, 100), row, &buffer, &size, errors);
  std::string out;
  if (ok && buffer) out.assign(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);  // jpeg_mem_dest's buffer is the caller's to free
  if (!ok) throw std::runtime_error(std::string("JPEG compression failed: ") + errors.Message);
  return out;
}

}  // namespace ostrel
