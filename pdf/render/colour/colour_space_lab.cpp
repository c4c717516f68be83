#include "pdf/render/colour/colour_space_lab.h"

#include "pdf/render/colour/pdf_function.h"

namespace ostrel {

namespace {

// Copies exactly count numbers when the object is an array of that many numbers.
void ReadExactNumbers(TPDFObject* obj, double* out, size_t count) {
  auto* array = PdfCast<TPDFArray>(ResolveChain(obj));
  if (!array || array->Count() != count) return;
  double values[4];
  for (size_t i = 0; i < count; ++i) {
    auto* number = PdfCast<TPDFNumeric>(array->ItemResolved(i));
    if (!number) return;
    values[i] = number->Value;
  }
  for (size_t i = 0; i < count; ++i) out[i] = values[i];
}

}  // namespace

void TPDFLabColorSpace::Load(TPDFArray* array) {
  auto* dict = array ? PdfCast<TPDFDictionary>(ResolveChain(array->Item(1))) : nullptr;
  if (!dict) return;
  ReadExactNumbers(dict->GetValue("WhitePoint"), WhitePoint, 3);
  ReadExactNumbers(dict->GetValue("Range"), Range, 4);
}

}  // namespace ostrel
