#pragma once
// A small object pool for colour and function tests: objects are written as
// PDF text, numbered objects are reachable through references, and streams
// get their data as given (no filter).
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/core/pdf_structure.h"

namespace ostrel::testing_support {

class TestObjects {
 public:
  TestObjects() {
    pool.OnResolve = [this](int32_t number, int32_t) -> TPDFObject* {
      auto it = numbered.find(number);
      return it == numbered.end() ? nullptr : it->second;
    };
  }
  TPDFObject* Parse(std::string_view text) { return pool.ParseObject(text); }
  TPDFStream* Stream(std::string_view dictText, std::string data) {
    return pool.NewStreamWith(PdfCast<TPDFDictionary>(Parse(dictText)), std::move(data));
  }
  // Makes obj the value of object `number`, so that "number 0 R" finds it.
  TPDFObject* Number(int32_t number, TPDFObject* obj) {
    numbered[number] = obj;
    return obj;
  }

  TPDFStructure pool;
  std::map<int32_t, TPDFObject*> numbered;
};

inline int Red(int32_t color) { return color & 0xFF; }
inline int Green(int32_t color) { return color >> 8 & 0xFF; }
inline int Blue(int32_t color) { return color >> 16 & 0xFF; }
inline int32_t Rgb(int r, int g, int b) { return b << 16 | g << 8 | r; }

}  // namespace ostrel::testing_support
