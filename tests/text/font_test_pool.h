#pragma once
// A pool of numbered objects for font tests: fonts are written as PDF text,
// and references resolve within the pool.
#include <map>
#include <string_view>

#include "pdf/core/pdf_structure.h"

namespace ostrel {

class TFontTestPool {
 public:
  TFontTestPool() {
    Pool.OnResolve = [this](int32_t number, int32_t) -> TPDFObject* {
      ++Resolves;
      auto it = Objects.find(number);
      return it == Objects.end() ? nullptr : it->second;
    };
  }
  TPDFObject* Add(int number, std::string_view text) {
    TPDFObject* obj = Pool.ParseObject(text);
    obj->MarkIndirect(number, 0);
    Objects[number] = obj;
    return obj;
  }
  TPDFStream* AddStream(int number, std::string_view data) {
    TPDFStream* stream = Pool.NewStream(data, false);
    stream->MarkIndirect(number, 0);
    Objects[number] = stream;
    return stream;
  }
  TPDFIndRef* Ref(int number) { return Pool.NewIndRef(number, 0); }

  TPDFStructure Pool;
  std::map<int, TPDFObject*> Objects;
  int Resolves = 0;
};

}  // namespace ostrel
