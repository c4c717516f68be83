#include "pdf/render/output/page_output.h"

#include <cmath>

#include "pdf/render/output/bmp_writer.h"
#include "pdf/render/output/gif_writer.h"
#include "pdf/render/output/jpeg_writer.h"
#include "pdf/render/output/page_output_file.h"
#include "pdf/render/output/page_output_name.h"
#include "pdf/render/output/png_writer.h"
#include "pdf/render/output/tiff_writer.h"
#include "platform/file_io.h"

namespace ostrel {

std::string EncodePageBitmap(const Bitmap& page, const TPageOutputSettings& settings) {
  switch (settings.Format) {
    case kPageBMP:
      return EncodeBMP(page);
    case kPageJPEG: {
      TPDFJPEGImage jpeg;
      jpeg.Assign(page);
      jpeg.Quality = settings.JPEGQuality;
      return jpeg.Save();
    }
    case kPagePNG: {
      TPNGWriter png;
      png.ReferToBitmap(page);
      png.SetResolution(settings.DPI);
      if (settings.UseTransparentColor) png.SetTransparentColor(settings.TransparentColor);
      return png.Write();
    }
    case kPageGIF: {
      TPDFGIFWriter gif;
      gif.QuantizeFromBitmap(page);
      return gif.Write();
    }
    case kPageTIFF:
      return EncodeTIFF(page, settings.DPI);
    default:
      throw TPageOutputError(0, "image format " + std::to_string(settings.Format) + " is not supported");
  }
}

void WritePageFiles(int first, int last, const TPageOutputSettings& settings, const std::string& fileName,
                    const TPageRenderFunction& render, std::string& resultText, const std::string& avoidPath) {
  Bitmap bitmap;  // reused from page to page
  for (int page = first; page <= last; ++page) {
    const std::string name = PageOutputName(fileName, page);
    if (!avoidPath.empty() && IsSameFile(name, avoidPath)) {
      throw TPageOutputError(kPageOutputWriteError, "cannot write " + name + ": it is the input file");
    }
    TPageOutputFile file(name);
    render(page, bitmap, resultText);
    file.Commit(EncodePageBitmap(bitmap, settings));
  }
}

}  // namespace ostrel
