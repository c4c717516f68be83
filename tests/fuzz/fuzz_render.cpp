// Renders the first page of arbitrary bytes at a small resolution, as the
// converter would: document load, page set-up, content interpretation and
// annotation appearances onto the Cairo canvas.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pdf/core/pdf_document.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/text/font_collection.h"
#include "platform/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrel::TPDFDocument doc;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (doc.LoadFromBytes(std::move(bytes), u"") != 0) return 0;
  ostrel::TPDFFontCollection fonts;
  ostrel::TPDFRenderer renderer(fonts);
  ostrel::Bitmap page;
  std::string error;
  renderer.RenderPageToBitmap(doc, 1, 18, ostrel::TGDIPlusSettings{}, page, error);
  return 0;
}
