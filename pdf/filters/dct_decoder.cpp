#include "pdf/filters/dct_decoder.h"

#include <vector>

#include "pdf/filters/jpeg_errors.h"

namespace ostrel {
namespace {

std::string_view SkipStrayLineFeed(std::string_view data) {
  if (data.size() >= 3 && data[0] == '\n' && static_cast<uint8_t>(data[1]) == 0xFF &&
      static_cast<uint8_t>(data[2]) == 0xD8)
    data.remove_prefix(1);
  return data;
}

// Everything that may be jumped over lives in this frame only, with no
// destructors to skip: the caller owns the bitmap and the row buffer.
bool RunDecompress(std::string_view data, size_t maxBytes, bool headerOnly, Bitmap* out,
                   TJpegInfo& info, std::string& error) {
  jpeg_decompress_struct cinfo;
  TJpegErrors jerr;
  cinfo.err = InstallJpegErrors(jerr);
  if (setjmp(jerr.Escape)) {
    error = jerr.Message;
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.data()),
               static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);

  info.Width = static_cast<int>(cinfo.image_width);
  info.Height = static_cast<int>(cinfo.image_height);
  info.Components = cinfo.num_components;
  info.AdobeInverted = cinfo.saw_Adobe_marker &&
                       (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK);
  if (headerOnly) {
    jpeg_destroy_decompress(&cinfo);
    return true;
  }

  TPixelFormat format;
  switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE: cinfo.out_color_space = JCS_GRAYSCALE; format = TPixelFormat::pf8bit; break;
    case JCS_CMYK:
    case JCS_YCCK: cinfo.out_color_space = JCS_CMYK; format = TPixelFormat::pf32bit; break;
    default: cinfo.out_color_space = JCS_EXT_BGR; format = TPixelFormat::pf24bit; break;
  }
  uint64_t bytes = uint64_t{cinfo.image_width} * cinfo.image_height *
                   static_cast<uint64_t>(cinfo.num_components > 0 ? cinfo.num_components : 1);
  if (bytes > maxBytes || !out->SetSize(info.Width, info.Height, format)) {
    error = "JPEG image too large";
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  if (format == TPixelFormat::pf8bit) out->SetGreyPalette();

  jpeg_start_decompress(&cinfo);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out->Row(static_cast<int>(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

bool TDCTDecoder::Decode(std::string_view data, Bitmap& out, TJpegInfo* info,
                         std::string* error) const {
  TJpegInfo local;
  std::string message;
  out.SetSize(0, 0, TPixelFormat::pf24bit);
  bool ok = RunDecompress(SkipStrayLineFeed(data), MaxBytes, false, &out, local, message);
  if (!ok) out.SetSize(0, 0, TPixelFormat::pf24bit);
  if (info) *info = local;
  if (error) *error = message;
  return ok;
}

bool ReadJpegInfo(std::string_view data, TJpegInfo& info) {
  std::string message;
  return RunDecompress(SkipStrayLineFeed(data), 0, true, nullptr, info, message);
}

}  // namespace ostrel
