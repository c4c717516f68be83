#include "pdf/text/extract/field_values.h"

#include <algorithm>
#include <cmath>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_doc_encoding.h"

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
constexpr int32_t kPushButtonFlag = 1 << 16;

TPDFObject* Inherited(TPDFDictionary* field, std::string_view key) {
  for (int depth = 0; field && depth < kMaxParentChain; ++depth) {
    if (TPDFObject* value = field->GetValue(key, true)) return value;
    field = field->Get<TPDFDictionary>("Parent");
  }
  return nullptr;
}

bool AsksForAppearances(TPDFDictionary* acroForm) {
  auto* need = acroForm ? acroForm->Get<TPDFBoolean>("NeedAppearances") : nullptr;
  return need && need->Value;
}

bool IsPushButton(TPDFDictionary* annot) {
  auto* type = PdfCast<TPDFName>(Inherited(annot, "FT"));
  auto* flags = PdfCast<TPDFNumeric>(Inherited(annot, "Ff"));
  return type && type->Value == "Btn" && flags && std::isfinite(flags->Value) && (flags->AsInteger() & kPushButtonFlag);
}

// Text and choice fields show their value.
bool ShowsValue(TPDFDictionary* annot) {
  auto* type = PdfCast<TPDFName>(Inherited(annot, "FT"));
  return type && (type->Value == "Tx" || type->Value == "Ch");
}

// What the reader shows in a widget it makes the appearance of: a text or
// choice field's value, a push button's caption.
TPDFString* MadeText(TPDFDictionary* annot) {
  if (IsPushButton(annot)) {
    auto* mk = annot->Get<TPDFDictionary>("MK");
    return mk ? mk->Get<TPDFString>("CA") : nullptr;
  }
  return ShowsValue(annot) ? PdfCast<TPDFString>(Inherited(annot, "V")) : nullptr;
}

}  // namespace

bool IsRemadeWidget(TPDFDictionary* annot, TPDFDictionary* acroForm) {
  if (!annot || !AsksForAppearances(acroForm)) return false;
  auto* subtype = annot->Get<TPDFName>("Subtype");
  return subtype && subtype->Value == "Widget" && (IsPushButton(annot) || ShowsValue(annot));
}

void ForEachMadeFieldText(TPDFDictionary* page, TPDFDictionary* acroForm,
                                        const std::function<void(const std::u16string& value,
                                                                 const std::array<double, 4>& rect)>& show) {
  auto* annots = page && AsksForAppearances(acroForm) ? page->Get<TPDFArray>("Annots") : nullptr;
  if (!annots) return;
  for (size_t i = 0; i < annots->Count() && i < kMaxAnnotations; ++i) {
    auto* annot = PdfCast<TPDFDictionary>(annots->ItemResolved(i));
    if (!annot) continue;
    auto* subtype = annot->Get<TPDFName>("Subtype");
    if (!subtype || subtype->Value != "Widget") continue;
    if (annot->GetInteger("F", 0) & (kHidden | kNoView)) continue;
    TPDFString* value = MadeText(annot);
    auto* rectArray = annot->Get<TPDFArray>("Rect");
    if (!value || !rectArray || rectArray->Count() != 4) continue;
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
