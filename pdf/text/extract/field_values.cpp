#include "pdf/text/extract/field_values.h"

#include <algorithm>
#include <cmath>

#include "pdf/core/pdf_objects.h"
#include "pdf/text/pdf_doc_encoding.h"

namespace ostrel {
namespace {

// Fields inherit /FT and /V from their parents; a chain longer than this is
// a loop in a damaged file.
constexpr int kMaxParentChain = 32;
// Annotations looked at on one page.
constexpr size_t kMaxAnnotations = 100'000;
// Annotation flags that keep a widget from being seen.
constexpr int32_t kHidden = 2;
constexpr int32_t kNoView = 0x20;

TPDFObject* Inherited(TPDFDictionary* field, std::string_view key) {
  for (int depth = 0; field && depth < kMaxParentChain; ++depth) {
    if (TPDFObject* value = field->GetValue(key, true)) return value;
    field = field->Get<TPDFDictionary>("Parent");
  }
  return nullptr;
}

bool HasNormalAppearance(TPDFDictionary* annot) {
  auto* ap = annot->Get<TPDFDictionary>("AP");
  return ap && ap->GetValue("N", true);
}

}  // namespace

void ForEachFieldValueWithoutAppearance(TPDFDictionary* page, TPDFDictionary* acroForm,
                                        const std::function<void(const std::u16string& value,
                                                                 const std::array<double, 4>& rect)>& show) {
  auto* need = acroForm ? acroForm->Get<TPDFBoolean>("NeedAppearances") : nullptr;
  auto* annots = page && need && need->Value ? page->Get<TPDFArray>("Annots") : nullptr;
  if (!annots) return;
  for (size_t i = 0; i < annots->Count() && i < kMaxAnnotations; ++i) {
    auto* annot = PdfCast<TPDFDictionary>(annots->ItemResolved(i));
    if (!annot || HasNormalAppearance(annot)) continue;
    auto* subtype = annot->Get<TPDFName>("Subtype");
    if (!subtype || subtype->Value != "Widget") continue;
    if (annot->GetInteger("F", 0) & (kHidden | kNoView)) continue;
    auto* type = PdfCast<TPDFName>(Inherited(annot, "FT"));
    auto* value = PdfCast<TPDFString>(Inherited(annot, "V"));
    auto* rectArray = annot->Get<TPDFArray>("Rect");
    if (!type || type->Value != "Tx" || !value || !rectArray || rectArray->Count() != 4) continue;
    std::array<double, 4> v{};
    bool numbers = true;
    for (size_t k = 0; k < 4; ++k) {
      auto* n = PdfCast<TPDFNumeric>(rectArray->ItemResolved(k));
      numbers = numbers && n && std::isfinite(n->Value);
      if (n) v[k] = n->Value;
    }
    if (!numbers) continue;
    std::u16string text = PdfTextDecode(value->Value);
    if (text.empty()) continue;
    show(text, {std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]), std::max(v[1], v[3])});
  }
}

}  // namespace ostrel
