// Makes a function from the first object (other objects reachable through
// references) and evaluates it on inputs inside, at and beyond the usual
// domain, including NaN and infinities.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "pdf/render/colour/pdf_function.h"
#include "tests/fuzz/fuzz_object_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::ObjectTable table({reinterpret_cast<const char*>(data), size});
  auto function = ostrel::CreateFunction(table.First());
  if (!function) return 0;
  const size_t m = function->InputCount();
  if (m < 1 || m > ostrel::kMaxFunctionInputs) std::abort();
  const double probes[] = {0, 0.5, 1, -1, 3.75, 1e300, std::numeric_limits<double>::quiet_NaN(),
                           -std::numeric_limits<double>::infinity()};
  std::vector<double> inputs(m), outputs;
  for (size_t p = 0; p < std::size(probes); ++p) {
    for (size_t i = 0; i < m; ++i) inputs[i] = probes[(p + i) % std::size(probes)];
    if (function->Evaluate(inputs, outputs) && outputs.size() != function->OutputCount()) std::abort();
  }
  return 0;
}
