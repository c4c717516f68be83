// Cross-reference reading over arbitrary bytes: from the startxref offset,
// and from an offset taken from the input so that sections the startxref
// search would not reach are read too.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/core/xref_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  ostrel::TPDFXRefReader reader(file);
  int64_t sum = 0;
  reader.OnEntry = [&](int64_t n, int64_t f2, char, int64_t f3) { sum += n + f2 + f3; };
  reader.OnTrailer = [&](const std::string& text) { sum += static_cast<int64_t>(text.size()); };
  reader.OnSection = [&](int64_t offset) { sum += offset; };
  reader.ReadSection(reader.FindStartXref());
  if (size >= 2) reader.ReadSection(static_cast<int64_t>(data[0]) << 8 | data[1]);
  static volatile int64_t sink;
  sink = sum;  // keeps the callbacks' work from being optimised away
  return 0;
}
