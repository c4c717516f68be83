#pragma once
// Turns fuzz input into a few numbered PDF objects: segments separated by
// "endobj" become objects 1, 2, 3, ...; a segment holding "stream" becomes a
// stream whose dictionary is the text before it and whose data follows it.
// Object 1 is the one under test; references reach any segment, cycles
// included.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/core/pdf_structure.h"

namespace fuzzing {

class ObjectTable {
 public:
  explicit ObjectTable(std::string_view input) {
    pool.OnResolve = [this](int32_t number, int32_t) -> ostrel::TPDFObject* {
      return number >= 1 && static_cast<size_t>(number) <= objects.size() ? objects[number - 1] : nullptr;
    };
    while (objects.size() < 8) {
      const size_t end = input.find("endobj");
      objects.push_back(Make(input.substr(0, end)));
      if (end == std::string_view::npos) break;
      input.remove_prefix(end + 6);
    }
  }
  ostrel::TPDFObject* First() const { return objects.empty() ? nullptr : objects[0]; }

  ostrel::TPDFStructure pool;
  std::vector<ostrel::TPDFObject*> objects;

 private:
  ostrel::TPDFObject* Make(std::string_view text) {
    const size_t mark = text.find("stream");
    ostrel::TPDFObject* head = pool.ParseObject(text.substr(0, mark));
    auto* dict = ostrel::PdfCast<ostrel::TPDFDictionary>(head);
    if (mark == std::string_view::npos || !dict) return head;
    return pool.NewStreamWith(dict, std::string(text.substr(mark + 6)));
  }
};

}  // namespace fuzzing
