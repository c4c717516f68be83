#include "pdf/core/reachable_fonts.h"

#include <unordered_set>
#include <vector>

#include "pdf/core/pdf_objects.h"

namespace ostrel {
namespace {

// Forms inside forms deeper than this are not looked into: the renderer
// draws no deeper either.
constexpr int kMaxDepth = 28;
// A page with more forms or annotations than this is damage or a catalogue
// of artwork; looking further would let one call cost without bound.
constexpr size_t kMaxVisited = 4096;

class TFontSearch {
 public:
  bool Resources(TPDFDictionary* resources, int depth) {
    if (!resources || depth > kMaxDepth) return false;
    if (resources->Get<TPDFDictionary>("Font")) return true;
    auto* xobjects = resources->Get<TPDFDictionary>("XObject");
    if (!xobjects) return false;
    for (size_t i = 0; i < xobjects->Count(); ++i) {
      if (Stream(PdfCast<TPDFStream>(xobjects->GetValue(xobjects->EntryAt(i).first->Value, true)), depth + 1))
        return true;
    }
    return false;
  }

  // A form stream (or an appearance, which is one).
  bool Stream(TPDFStream* stream, int depth) {
    if (!stream || !stream->StreamDict || !visited_.insert(stream).second || visited_.size() > kMaxVisited)
      return false;
    auto* subtype = stream->StreamDict->Get<TPDFName>("Subtype");
    if (subtype && subtype->Value != "Form") return false;
    return Resources(stream->StreamDict->Get<TPDFDictionary>("Resources"), depth);
  }

 private:
  std::unordered_set<const TPDFObject*> visited_;
};

}  // namespace

bool ResourcesReachFonts(TPDFDictionary* resources) { return TFontSearch().Resources(resources, 0); }

bool AnnotationsReachFonts(TPDFDictionary* page) {
  auto* annots = page ? page->Get<TPDFArray>("Annots") : nullptr;
  if (!annots) return false;
  TFontSearch search;
  for (size_t i = 0; i < annots->Count() && i < kMaxVisited; ++i) {
    auto* annot = PdfCast<TPDFDictionary>(annots->ItemResolved(i));
    auto* appearances = annot ? annot->Get<TPDFDictionary>("AP") : nullptr;
    TPDFObject* normal = appearances ? appearances->GetValue("N", true) : nullptr;
    if (search.Stream(PdfCast<TPDFStream>(normal), 0)) return true;
    // An appearance per state (check boxes, radio buttons).
    if (auto* states = PdfCast<TPDFDictionary>(normal)) {
      for (size_t k = 0; k < states->Count(); ++k)
        if (search.Stream(PdfCast<TPDFStream>(states->GetValue(states->EntryAt(k).first->Value, true)), 0))
          return true;
    }
  }
  return false;
}

}  // namespace ostrel
