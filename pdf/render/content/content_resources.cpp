// Content operators that reach into the resources: XObjects, inline images
// and optional content.
#include <algorithm>
#include <cmath>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/render/content/content_interpreter.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/render/canvas/picasso.h"
#include "pdf/render/content/render_lookup.h"
#include "pdf/text/extract/text_device.h"

namespace ostrel {

void TContentRun::DrawXObject() {
  PushState();
  std::string name = NameKey(PopToken());
  if (visible_ && resources_) {
    TPDFObject* raw = ResourceEntryRaw(resources_, "XObject", name);
    const TPDFIndRef* ref = PdfCast<TPDFIndRef>(raw);
    auto* stream = PdfCast<TPDFStream>(ResolveObject(raw));
    if (stream) {
      TPDFDictionary* dict = stream->StreamDict;
      auto* subtype = PdfCast<TPDFName>(ResolveObject(dict->GetValue("Subtype")));
      std::string kind = subtype ? subtype->Value : std::string();
      if (kind == "Form") {
        // A form that draws itself, directly or through others, is skipped
        // when met again; nesting is bounded as well.
        if (r_.nesting_ < TPDFRenderer::kMaxNesting && !r_.drawing_.count(stream)) {
          double bbox[4];
          bool hasBBox = ReadNumbers(PdfCast<TPDFArray>(ResolveObject(dict->GetValue("BBox"))), bbox, 4);
          double m[6];
          if (ReadNumbers(PdfCast<TPDFArray>(ResolveObject(dict->GetValue("Matrix"))), m, 6))
            Concat({m[0], m[1], m[2], m[3], m[4], m[5]});
          r_.InheritedResources = resources_;
          PushState();
          r_.UseInitialState = true;
          r_.InitialState = gs_;
          if (hasBBox) {
            OpenPath();
            double px, py;
            PathPoint(bbox[0], bbox[1], px, py);
            canvas_.MoveTo(px, py);
            for (auto [x, y] : {std::pair{bbox[0], bbox[3]}, std::pair{bbox[2], bbox[3]}, std::pair{bbox[2], bbox[1]}}) {
              PathPoint(x, y, px, py);
              canvas_.LineTo(px, py);
            }
            canvas_.ClosePath();
            canvas_.SetClip(2);
            canvas_.EndPath();
            pathOpen_ = false;
          }
          r_.drawing_.insert(stream);
          ++r_.nesting_;
          if (r_.TextDevice) r_.TextDevice->BeginForm();
          r_.RunContent(canvas_, stream, nullptr, ref);
          if (r_.TextDevice) r_.TextDevice->EndForm();
          --r_.nesting_;
          r_.drawing_.erase(stream);
          PopState(true);
        }
      } else if (kind == "Image" && r_.images_) {
        r_.images_->DrawImageXObject(stream, ref, canvas_, r_.CTM, gs_.FillColor);
      }
    }
  }
  PopState(true);
}

void TContentRun::DrawInlineImage() {
  std::string_view dictText, data;
  if (!tokens_.ReadInlineImage(dictText, data)) return;
  // Inline images are drawn whether or not optional content hides them.
  if (r_.images_) r_.images_->DrawInlineImage(dictText, data, resources_, canvas_, r_.CTM, gs_.FillColor);
}

void TContentRun::BeginMarkedContent(bool withProperties) {
  std::string_view properties = withProperties ? PopToken() : std::string_view();
  std::string_view tag = PopToken();
  visibility_.push_back(visible_);
  if (!withProperties || tag != "/OC" || properties.empty() || properties[0] != '/') return;
  auto* group = PdfCast<TPDFDictionary>(ResourceEntry(resources_, "Properties", NameKey(properties)));
  auto* usage = group ? PdfCast<TPDFDictionary>(ResolveObject(group->GetValue("Usage"))) : nullptr;
  auto* view = usage ? PdfCast<TPDFDictionary>(ResolveObject(usage->GetValue("View"))) : nullptr;
  auto* state = view ? PdfCast<TPDFName>(ResolveObject(view->GetValue("ViewState"))) : nullptr;
  if (state) visible_ = state->Value != "OFF";
}

void TContentRun::EndMarkedContent() {
  if (visibility_.empty()) {
    visible_ = true;
    return;
  }
  visible_ = visibility_.back();
  visibility_.pop_back();
}

}  // namespace ostrel
