// Loads the first object as a colour space through the registry (other
// objects reachable through references) and converts a few colours.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "pdf/render/colour/colour_space_registry.h"
#include "tests/fuzz/fuzz_object_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::ObjectTable table({reinterpret_cast<const char*>(data), size});
  ostrel::TPDFSimpleColorManager manager;
  ostrel::TPDFColorSpaceRegistry registry(manager);
  const std::string key = registry.KeyFor(table.First());
  if (registry.KeyFor(table.First()) != key) std::abort();  // the same object, the same space
  if (key.empty()) return 0;
  const size_t n = registry.ComponentCount(key);
  const double probes[] = {0, 1, 0.25, -2, 255, 1e12, std::numeric_limits<double>::quiet_NaN()};
  std::vector<double> components(n);
  for (size_t p = 0; p < std::size(probes); ++p) {
    for (size_t i = 0; i < n; ++i) components[i] = probes[(p + i) % std::size(probes)];
    auto color = registry.ColorFor(key, components);
    if (color && (*color < 0 || *color > 0xFFFFFF)) std::abort();
  }
  return 0;
}
