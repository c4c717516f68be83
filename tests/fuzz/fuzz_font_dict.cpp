// Builds a small object pool from the input and loads its first object as a
// font: parts separated by "%%\n" become objects 1, 2, ...; a part starting
// with "S\n" becomes a stream holding the rest of the part. The last part is
// also shown as a string in the loaded font.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "pdf/core/pdf_structure.h"
#include "pdf/text/font_collection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  ostrel::TPDFStructure pool;
  std::map<int32_t, ostrel::TPDFObject*> objects;
  pool.OnResolve = [&](int32_t number, int32_t) -> ostrel::TPDFObject* {
    auto it = objects.find(number);
    return it == objects.end() ? nullptr : it->second;
  };
  std::string_view last;
  for (int32_t number = 1; number <= 16 && !input.empty(); ++number) {
    size_t cut = input.find("%%\n");
    std::string_view part = input.substr(0, cut);
    input = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 3);
    if (part.starts_with("S\n")) {
      objects[number] = pool.NewStream(part.substr(2), false);
    } else {
      objects[number] = pool.ParseObject(part);
    }
    last = part;
  }

  ostrel::TPDFFontCollection cache;
  for (int32_t number : {1, 2, 1}) {
    if (!cache.SelectFontRecord(pool.NewIndRef(number, 0))) continue;
    for (uint32_t code : cache.SplitCodes(last)) {
      cache.CodeToText(code);
      cache.CodeWidth(code);
    }
    for (unsigned char byte : last) cache.CodeToText(byte);
  }
  return 0;
}
