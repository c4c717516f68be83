#include "pdf/render/output/page_output.h"

#include "pdf/render/output/page_file_encoder.h"
#include "pdf/render/output/page_output_file.h"
#include "pdf/render/output/page_output_name.h"
#include "platform/file_io.h"

namespace ostrel {
namespace {

TPageFileEncoder RequireEncoder(int format) {
  TPageFileEncoder encoder = PageFileEncoder(format);
  if (!encoder) throw TPageOutputError(0, "image format " + std::to_string(format) + " is not supported");
  return encoder;
}

}  // namespace

std::string EncodePageBitmap(const Bitmap& page, const TPageOutputSettings& settings) {
  return RequireEncoder(settings.Format)(page, settings);
}

void WritePageFiles(int first, int last, const TPageOutputSettings& settings, const std::string& fileName,
                    const TPageRenderFunction& render, std::string& resultText, const std::string& avoidPath) {
  if (first > last) return;
  // An unknown format fails before any file is created or page rendered.
  const TPageFileEncoder encode = RequireEncoder(settings.Format);
  Bitmap bitmap;  // reused from page to page
  for (int page = first; page <= last; ++page) {
    const std::string name = PageOutputName(fileName, page);
    if (!avoidPath.empty() && IsSameFile(name, avoidPath)) {
      throw TPageOutputError(kPageOutputWriteError, "cannot write " + name + ": it is the input file");
    }
    TPageOutputFile file(name);
    render(page, bitmap, resultText);
    file.Commit(encode(bitmap, settings));
    if (settings.PageWritten && !settings.PageWritten(page)) return;
  }
}

}  // namespace ostrel
