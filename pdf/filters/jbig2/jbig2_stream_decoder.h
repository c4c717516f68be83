#pragma once
// Reads JBIG2 segments, decodes each by its type and keeps what later
// segments refer to: symbols, patterns, intermediate regions, the page.
#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "pdf/filters/jbig2/jbig2_bitmap.h"
#include "pdf/filters/jbig2/jbig2_huffman.h"
#include "pdf/filters/jbig2/jbig2_symbol_dictionary.h"

namespace ostrel {

struct TSegmentHeader {
  uint32_t Number = 0;
  int Type = 0;
  uint32_t Page = 0;
  std::vector<uint32_t> ReferredTo;
  uint32_t DataLength = 0;
};

class TJBIG2StreamDecoder {
 public:
  // Decodes the globals' segments, then the data's. Throws EJBIG2Error; the
  // page keeps what was drawn before the error.
  void Decode(std::string_view data, std::string_view globals);
  const TJBIG2Bitmap* Page() const { return page_.get(); }

 private:
  void ReadSegments(std::string_view data);
  void DecodeSegment(const TSegmentHeader& header, std::string_view data);
  void PlaceRegion(const TJBIG2Bitmap& region, int64_t x, int64_t y, uint32_t op);
  std::vector<const TJBIG2Bitmap*> ReferredSymbols(const TSegmentHeader& header) const;
  // The tables segments referred to, in the order of the references.
  std::vector<const THuffmanTable*> ReferredTables(const TSegmentHeader& header) const;

  struct TResult {
    bool IsSymbols = false;
    bool IsPatterns = false;
    TSymbolDictionary Symbols;  // exported symbols, or the patterns
    TJBIG2BitmapPtr Region;     // an intermediate region
    std::shared_ptr<const THuffmanTable> Table;  // a tables segment
  };
  std::map<uint32_t, TResult> results_;
  TJBIG2BitmapFactory factory_;
  TJBIG2BitmapPtr page_;
  bool pageDefaultPixel_ = false;
  bool pageHeightUnknown_ = false;
  bool ended_ = false;
};

}  // namespace ostrel
