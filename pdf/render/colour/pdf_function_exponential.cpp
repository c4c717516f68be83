#include <cmath>

#include "pdf/render/colour/pdf_function_types.h"

namespace ostrel {

bool TPDFType2Function::Load(TPDFDictionary* dict) {
  std::vector<double> values;
  if (!ReadNumbers(dict->GetValue("C0"), kMaxFunctionOutputs, values)) return false;
  if (!values.empty()) C0 = values;
  if (!ReadNumbers(dict->GetValue("C1"), kMaxFunctionOutputs, values)) return false;
  if (!values.empty()) C1 = values;
  N = dict->GetNumber("N", 1);
  outputs_ = Range.empty() ? C0.size() : Range.size() / 2;
  return outputs_ >= 1;
}

bool TPDFType2Function::Evaluate(std::span<const double> inputs, std::vector<double>& outputs) const {
  // The input is deliberately not clamped to the domain, nor the outputs to
  // the range: the colour packer clamps what reaches a pixel.
  const double x = inputs.empty() ? 0.0 : inputs[0];
  const double power = std::pow(x, N);
  outputs.resize(outputs_);
  for (size_t i = 0; i < outputs_; ++i) {
    const double c0 = i < C0.size() ? C0[i] : 0.0;
    const double c1 = i < C1.size() ? C1[i] : 1.0;
    outputs[i] = c0 + power * (c1 - c0);
  }
  return true;
}

}  // namespace ostrel
