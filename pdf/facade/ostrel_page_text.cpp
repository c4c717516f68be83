// The facade's page text, read straight from a PDF file: each call opens the
// file anew, finds the one page and runs the text extractor over its content.
#include "pdf/facade/ostrel.h"

#include "pdf/build/page_text_source.h"
#include "pdf/text/font_collection.h"
#include "pdf/text/text_extractor.h"
#include "platform/text_codec.h"

namespace ostrel {
namespace {

// Options 1 and 2 both ask for the positioned list; 3 to 8 are the layout
// modes of the text funnel.
int ExtractorModeOf(int options) { return options == 1 ? TPDFExtractor::kPositionedList : options; }
bool IsLayoutOption(int options) { return options >= 3 && options <= 8; }

}  // namespace

std::u16string TOstrel::ExtractPageTextFromFile(std::u16string_view fileName, std::u16string_view password,
                                                int page, int options) {
  LastErrorCode = kErrNone;
  std::u16string result;
  try {
    TSmartPDFPageSource source;
    if (int32_t status = source.Open(Utf16ToUtf8(fileName), password); status != 0) {
      LastErrorCode = status;
      return {};
    }
    if (!source.LoadPage(page) || source.Content.empty()) return {};
    // The layout modes need the renderer's text collection, which this
    // build does not have; they give no text rather than the wrong kind.
    if (IsLayoutOption(options)) return {};
    // A fresh font cache per call: fonts are objects of this file only.
    TPDFFontCollection fonts;
    TPDFExtractor extractor(source.Resources, fonts);
    result = extractor.ExtractText(source.Content, ExtractorModeOf(options));
  } catch (...) {
    LastErrorCode = kErrCannotOpen;
  }
  return result;
}

}  // namespace ostrel
