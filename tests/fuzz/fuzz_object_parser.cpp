// Parses the input, writes the object back out and parses that text again:
// the second reading must give the same kind of object, consume the whole
// text, and write the same text (unless a number is too long to survive the
// four-decimal form exactly).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pdf/core/pdf_structure.h"

namespace {

// True when text holds a digit run long enough for doubles to lose exactness.
bool HasLongNumber(std::string_view text) {
  size_t run = 0;
  for (char c : text) {
    run = (c >= '0' && c <= '9') ? run + 1 : 0;
    if (run > 10) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  ostrel::TPDFStructure pool;
  size_t consumed = 0;
  ostrel::TPDFObject* first = pool.ParseObjectAt(input, consumed);
  if (!first || consumed > size) std::abort();
  const std::string text = first->ToText();

  ostrel::TPDFStructure again;
  ostrel::TPDFObject* second = again.ParseObjectAt(text, consumed);
  if (!second || second->Kind() != first->Kind()) std::abort();
  if (consumed + (text.back() == '\n' ? 1 : 0) != text.size()) std::abort();
  if (!HasLongNumber(text) && second->ToText() != text) std::abort();
  return 0;
}
