// The facade's rendering of pages to image files.
#include <algorithm>
#include <string>

#include "pdf/core/pdf_document.h"
#include "pdf/facade/ostrel.h"
#include "pdf/render/output/page_output.h"
#include "pdf/render/output/page_output_name.h"
#include "platform/text_codec.h"

namespace ostrel {

namespace {

// Puts the selected page back however the call ends: rendering reads pages
// by number, but the caller's selection must survive an error too.
class TSelectedPageKeeper {
 public:
  explicit TSelectedPageKeeper(TOstrel& pdf) : pdf_(pdf), page_(pdf.SelectedPage()) {}
  ~TSelectedPageKeeper() { pdf_.SelectPage(page_); }
  TSelectedPageKeeper(const TSelectedPageKeeper&) = delete;
  TSelectedPageKeeper& operator=(const TSelectedPageKeeper&) = delete;

 private:
  TOstrel& pdf_;
  int page_;
};

}  // namespace

// Rendering and writing errors escape to the caller, which shows them;
// LastErrorCode says 403 when an output file could not be written.
int TOstrel::RenderPagesToFiles(int dpi, int first, int last, int format, std::u16string_view fileName) {
  LastErrorCode = kErrNone;
  if (first > last) std::swap(first, last);
  first = std::max(first, 1);
  last = std::min(last, PageCount());
  if (!SelectedDocument) return 0;
  TSelectedPageKeeper keeper(*this);

  TPageOutputSettings settings;
  settings.DPI = dpi * DPIScale;
  settings.Format = format;
  settings.JPEGQuality = JPEGQuality;
  settings.UseTransparentColor = UsePNGTransparentColor;
  settings.TransparentColor = PNGTransparentColor;
  settings.Canvas = CanvasSettings;
  settings.PageWritten = OnPageWritten;

  std::string resultText;
  try {
    ostrel::RenderPagesToFiles(*SelectedDocument, first, last, settings, Utf16ToUtf8(fileName), resultText);
  } catch (const TPageOutputError& error) {
    LastErrorCode = error.Code;
    if (error.Code == kErrNone) throw;
    throw TPageOutputError(error.Code, std::string(error.what()) + " (error " + std::to_string(error.Code) + ")");
  }
  return 1;
}

std::u16string TOstrel::PageFileName(std::u16string_view fileName, int page) {
  return Utf8ToUtf16(PageOutputName(Utf16ToUtf8(fileName), page));
}

}  // namespace ostrel
