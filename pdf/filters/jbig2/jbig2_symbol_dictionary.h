#pragma once
// Symbol dictionary segments: height classes of symbols coded directly, by
// refinement or by aggregation, then the flags choosing which are exported.
#include <memory>
#include <vector>

#include "pdf/filters/jbig2/jbig2_arithmetic_decoder.h"
#include "pdf/filters/jbig2/jbig2_bitmap.h"
#include "pdf/filters/jbig2/jbig2_huffman.h"
#include "pdf/filters/jbig2/jbig2_stream_reader.h"

namespace ostrel {

struct TSymbolDictionary {
  std::vector<TJBIG2BitmapPtr> Exported;
  // Contexts kept for a later dictionary that asks to reuse them.
  std::shared_ptr<TArithmeticDecoderStats> GB, GR;
};

// reader holds the segment's data. contextSource is the last referred
// dictionary, whose retained contexts are used when the flags ask for them;
// userTables are the referred tables segments, in order.
TSymbolDictionary DecodeSymbolDictionary(TStreamReader& reader,
                                         const std::vector<const TJBIG2Bitmap*>& inputSymbols,
                                         const TSymbolDictionary* contextSource,
                                         const std::vector<const THuffmanTable*>& userTables,
                                         TJBIG2BitmapFactory& factory);

}  // namespace ostrel
