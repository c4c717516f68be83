// Loading the glyph procedures of a Type 3 font.
#include "pdf/render/glyphs/type3_rasterizer.h"

#include <cmath>

#include "pdf/core/pdf_objects.h"

namespace ostrel {

void TPDFType3Rasterizer::Load(TPDFDictionary* font, const std::function<TPDFObject*(TPDFObject*)>& resolve,
                               const std::function<std::string(TPDFObject*)>& read) {
  font_ = font;
  if (!font) return;
  // Members that are not numbers keep the identity's values.
  if (auto* m = PdfCast<TPDFArray>(resolve(font->GetValue("FontMatrix"))); m && m->Count() == 6) {
    for (size_t i = 0; i < 6; ++i)
      if (auto* n = PdfCast<TPDFNumeric>(resolve(m->Item(i))); n && std::isfinite(n->Value)) fontMatrix_[i] = n->Value;
  }
  auto* procs = PdfCast<TPDFDictionary>(resolve(font->GetValue("CharProcs")));
  if (!procs) return;
  for (size_t i = 0; i < procs->Count(); ++i) {
    auto [key, value] = procs->EntryAt(i);
    if (!key) continue;
    // Only a reference to a stream has a procedure; the first entry of a
    // name wins, as in dictionary lookups.
    std::string text = PdfCast<TPDFIndRef>(value) ? read(value) : std::string();
    procedures_.try_emplace(key->Value, std::move(text));
  }
}

std::string TPDFType3Rasterizer::ProcedureFor(std::string_view glyphName) const {
  auto it = procedures_.find(std::string(glyphName));
  return it == procedures_.end() ? std::string() : it->second;
}

}  // namespace ostrel
