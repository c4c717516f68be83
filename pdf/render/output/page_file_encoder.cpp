#include "pdf/render/output/page_file_encoder.h"

#include "pdf/render/output/bmp_writer.h"
#include "pdf/render/output/gif_writer.h"
#include "pdf/render/output/jpeg_writer.h"
#include "pdf/render/output/page_output.h"
#include "pdf/render/output/png_writer.h"
#include "pdf/render/output/tiff_writer.h"

namespace ostrel {
namespace {

std::string WriteBMP(const Bitmap& page, const TPageOutputSettings&) { return EncodeBMP(page); }

std::string WriteJPEG(const Bitmap& page, const TPageOutputSettings& settings) {
  TPDFJPEGImage jpeg;
  jpeg.Assign(page);
  jpeg.Quality = settings.JPEGQuality;
  return jpeg.Save();
}

std::string WritePNG(const Bitmap& page, const TPageOutputSettings& settings) {
  TPNGWriter png;
  png.ReferToBitmap(page);  // a page can be hundreds of megabytes: no copy
  png.SetResolution(settings.DPI);
  if (settings.UseTransparentColor) png.SetTransparentColor(settings.TransparentColor);
  return png.Write();
}

std::string WriteGIF(const Bitmap& page, const TPageOutputSettings&) {
  TPDFGIFWriter gif;
  gif.QuantizeFromBitmap(page);
  return gif.Write();
}

std::string WriteTIFF(const Bitmap& page, const TPageOutputSettings& settings) {
  return EncodeTIFF(page, settings.DPI);
}

constexpr struct {
  int Format;
  TPageFileEncoder Encode;
} kEncoders[] = {
    {kPageBMP, WriteBMP}, {kPageJPEG, WriteJPEG}, {kPagePNG, WritePNG}, {kPageGIF, WriteGIF}, {kPageTIFF, WriteTIFF},
};

}  // namespace

TPageFileEncoder PageFileEncoder(int format) {
  for (const auto& entry : kEncoders) {
    if (entry.Format == format) return entry.Encode;
  }
  return nullptr;
}

}  // namespace ostrel
