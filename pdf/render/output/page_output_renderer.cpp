// The page loop driven by the renderer: one renderer and one font collection
// for the whole range, so a document's fonts are loaded once per call.
#include "pdf/core/decode_budget.h"
#include "pdf/core/ostrel_errors.h"
#include "pdf/core/pdf_document.h"
#include "pdf/render/images/image_decoder_cache.h"
#include "pdf/render/output/page_output.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/text/font_collection.h"
#include "platform/text_codec.h"

namespace ostrel {

void RenderPagesToFiles(TPDFDocument& document, int first, int last, const TPageOutputSettings& settings,
                        const std::string& fileName, std::string& resultText) {
  TPDFFontCollection fonts;
  TPDFRenderer renderer(fonts);
  renderer.SetImages(std::make_unique<TPDFImageDecoderCache>(renderer));
  auto render = [&](int page, Bitmap& bitmap, std::string& text) {
    std::string error;
    TDecodeBudget budget(kPageDecodeBudget);
    bool rendered = false;
    try {
      TDecodeBudgetScope scope(budget);
      rendered = renderer.RenderPageToBitmap(document, page, settings.DPI, settings.Canvas, bitmap, error);
    } catch (const TDecodeBudgetExceeded&) {
    }
    // A spent budget fails the page even where the renderer went on without
    // the data: what it drew would be an incomplete page.
    if (budget.Exceeded) throw TPageOutputError(kErrDecodeBudget, DecodeBudgetMessage(page));
    if (!rendered) throw TPageOutputError(0, "cannot render page " + std::to_string(page) + ": " + error);
    text = renderer.LastError;
  };
  WritePageFiles(first, last, settings, fileName, render, resultText, Utf16ToUtf8(document.FileName));
}

}  // namespace ostrel
