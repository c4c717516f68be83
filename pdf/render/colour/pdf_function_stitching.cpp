#include <algorithm>

#include "pdf/render/colour/pdf_function_types.h"

namespace ostrel {

namespace {

constexpr size_t kMaxStitchedFunctions = 256;

}  // namespace

bool TPDFType3Function::Load(TPDFDictionary* dict, TPDFFunctionLoad& load) {
  if (InputCount() != 1) return false;
  auto* list = PdfCast<TPDFArray>(ResolveChain(dict->GetValue("Functions")));
  if (!list || list->Count() == 0 || list->Count() > kMaxStitchedFunctions) return false;
  const size_t k = list->Count();
  if (!ReadNumbers(dict->GetValue("Bounds"), kMaxStitchedFunctions, Bounds) || Bounds.size() < k - 1)
    return false;
  // The last interval ends at the domain's upper end, whatever that is.
  Bounds.resize(k - 1);
  Bounds.push_back(Domain[1]);
  if (!ReadNumbers(dict->GetValue("Encode"), 2 * kMaxStitchedFunctions, Encode)) return false;
  // Sub-functions without an Encode pair map their interval onto 0..1.
  for (size_t i = Encode.size() / 2; i < k; ++i) Encode.resize(2 * i), Encode.push_back(0), Encode.push_back(1);
  Encode.resize(2 * k);

  for (size_t i = 0; i < k; ++i) Functions.push_back(CreateFunction(list->Item(i), load));
  outputs_ = Range.size() / 2;
  for (size_t i = 0; i < k && outputs_ == 0; ++i)
    if (Functions[i]) outputs_ = Functions[i]->OutputCount();
  return outputs_ >= 1;
}

bool TPDFType3Function::Evaluate(std::span<const double> inputs, std::vector<double>& outputs) const {
  const double d0 = Domain[0], d1 = Domain[1];
  double x = inputs.empty() ? d0 : inputs[0];
  x = !(x >= d0) ? d0 : x > d1 ? std::max(d0, d1) : x;
  size_t i = 0;
  while (i + 1 < Functions.size() && !(x < Bounds[i])) ++i;
  const double lo = i == 0 ? d0 : Bounds[i - 1];
  const double hi = Bounds[i];
  const double e0 = Encode[2 * i], e1 = Encode[2 * i + 1];
  const double e = hi == lo ? e0 : e0 + (x - lo) * (e1 - e0) / (hi - lo);
  if (!Functions[i]) return false;
  const double sub[1] = {e};
  if (!Functions[i]->Evaluate(sub, outputs)) return false;
  outputs.resize(outputs_, 0.0);
  return true;
}

}  // namespace ostrel
