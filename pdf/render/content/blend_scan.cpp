#include "pdf/render/content/blend_scan.h"

#include <unordered_set>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/content/render_lookup.h"

namespace ostrel {

namespace {

// Dictionaries looked at per page: enough for real documents, bounded for
// hostile ones that name thousands of forms.
constexpr size_t kMaxVisited = 512;

bool IsBlending(TPDFObject* bm) {
  if (auto* list = PdfCast<TPDFArray>(bm)) return list->Count() > 0 && IsBlending(ResolveObject(list->Item(0)));
  auto* name = PdfCast<TPDFName>(bm);
  return name && name->Value != "Normal" && name->Value != "Compatible";
}

}  // namespace

bool ResourcesUseBlendModes(TPDFDictionary* resources) {
  std::vector<TPDFDictionary*> pending{resources};
  std::unordered_set<TPDFDictionary*> seen;
  while (!pending.empty() && seen.size() < kMaxVisited) {
    TPDFDictionary* current = pending.back();
    pending.pop_back();
    if (!current || !seen.insert(current).second) continue;
    if (auto* states = PdfCast<TPDFDictionary>(ResolveObject(current->GetValue("ExtGState")))) {
      for (const auto& [key, value] : states->Pairs) {
        auto* state = PdfCast<TPDFDictionary>(ResolveObject(value));
        if (state && IsBlending(ResolveObject(state->GetValue("BM")))) return true;
      }
    }
    for (const char* kind : {"XObject", "Pattern"}) {
      auto* named = PdfCast<TPDFDictionary>(ResolveObject(current->GetValue(kind)));
      if (!named) continue;
      for (const auto& [key, value] : named->Pairs) {
        TPDFObject* object = ResolveObject(value);
        TPDFDictionary* dict = PdfCast<TPDFDictionary>(object);
        if (auto* stream = PdfCast<TPDFStream>(object)) dict = stream->StreamDict;
        if (dict) pending.push_back(PdfCast<TPDFDictionary>(ResolveObject(dict->GetValue("Resources"))));
      }
    }
  }
  return false;
}

}  // namespace ostrel
