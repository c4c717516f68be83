#include <algorithm>

#include "pdf/render/colour/pdf_function_types.h"

namespace ostrel {

bool TPDFType4Function::Load(const std::string& programText) { return Program.Parse(programText); }

bool TPDFType4Function::Evaluate(std::span<const double> inputs, std::vector<double>& outputs) const {
  // A fresh stack per evaluation: nothing one colour leaves behind may
  // change the next.
  std::vector<TPDFCalculatorProgram::Value> stack;
  stack.reserve(64);
  for (size_t i = 0; i < inputs.size() && i < kMaxFunctionInputs; ++i) stack.push_back({inputs[i], false});
  if (!Program.Run(stack)) return false;
  const size_t n = OutputCount();
  outputs.assign(n, 0.0);
  for (size_t j = n; j-- > 0 && !stack.empty();) {
    outputs[j] = stack.back().Number;
    stack.pop_back();
  }
  return true;
}

}  // namespace ostrel
