#pragma once
// Small documents built in memory for renderer tests: one page whose content
// and resources the test writes by hand.
#include <memory>
#include <string>
#include <string_view>

#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/render/images/image_decoder_cache.h"
#include "pdf/text/font_collection.h"
#include "platform/bitmap.h"

namespace ostrel::test {

class RenderFixture {
 public:
  RenderFixture() { doc.NewDocument(); }

  TPDFDictionary* Page() { return doc.PageTree().PageDictionary(1); }
  TPDFStructure& Pool() { return doc.Pool(); }

  // An indirect reference to obj, which becomes an object of the document.
  TPDFIndRef* Indirect(TPDFObject* obj) {
    TPDFIndObj* slot = doc.AddIndirect(obj);
    return Pool().NewIndRef(slot->ObjectNumber, slot->Generation);
  }
  TPDFIndRef* Stream(std::string_view content, TPDFDictionary* dict = nullptr) {
    TPDFStream* s = Pool().NewStream(content, false);
    if (dict)
      for (auto& [k, v] : dict->Pairs) s->StreamDict->SetValue(k->Value, v);
    return Indirect(s);
  }
  TPDFDictionary* Dict(std::string_view text) { return PdfCast<TPDFDictionary>(Pool().ParseObject(text)); }

  void SetContent(std::string_view content) { Page()->SetValue("Contents", Stream(content)); }
  void SetEntry(std::string_view key, std::string_view objectText) {
    Page()->SetValue(key, Pool().ParseObject(objectText));
  }
  TPDFDictionary* Resources() {
    auto* res = PdfCast<TPDFDictionary>(Page()->GetValue("Resources", true));
    if (!res) {
      res = Pool().NewDictionary();
      Page()->SetValue("Resources", res);
    }
    return res;
  }
  // Enters name -> value in the category of the page's resources.
  void AddResource(std::string_view category, std::string_view name, TPDFObject* value) {
    auto* sub = PdfCast<TPDFDictionary>(Resources()->GetValue(category, true));
    if (!sub) {
      sub = Pool().NewDictionary();
      Resources()->SetValue(category, sub);
    }
    sub->SetValue(name, value);
  }

  Bitmap Render(double dpi = 72) {
    TPDFRenderer renderer(fonts);
    if (withImages) renderer.SetImages(std::make_unique<TPDFImageDecoderCache>(renderer));
    Bitmap out;
    std::string error;
    renderer.RenderPageToBitmap(doc, 1, dpi, TGDIPlusSettings{}, out, error);
    lastError = renderer.LastError;
    return out;
  }

  TPDFDocument doc;
  TPDFFontCollection fonts;
  std::string lastError;
  bool withImages = false;  // decode and draw images
};

inline uint32_t Pixel(const Bitmap& b, int x, int y) { return b.PixelRGB(x, y); }

}  // namespace ostrel::test
