// Feeds the input to the ToUnicode parser and, as binary data, to the code
// map loader, then checks what came out: ranges are ordered, destinations
// non-empty, and every loaded section holds one destination per key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pdf/text/cmaps/ostrel_cmap.h"
#include "pdf/text/cmaps/pdf_cmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  bool oneByte = false;
  ostrel::TPDFCMap map = ostrel::ParseToUnicode(input, oneByte);
  for (const ostrel::TPDFCMapEntry& e : map)
    if (e.FirstCode > e.LastCode || e.Destination.empty()) std::abort();

  ostrel::TOstrelCMap binary;
  binary.LoadFromStream(input);
  std::string bytes;
  for (const ostrel::TOstrelCMapSection& s : binary.Sections) {
    if (s.Data.size() != s.Keys.size() * s.Width) std::abort();
    for (uint32_t key : s.Keys) {
      binary.CodeBytes(s.Kind, key, bytes);
      binary.CodeText(s.Kind, key);
      binary.CodeValue(0, key);
    }
  }
  return 0;
}
