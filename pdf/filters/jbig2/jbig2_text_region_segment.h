#pragma once
// A text region segment's own fields after its region information: flags,
// Huffman table choices, refinement pixels, instance count and, for Huffman
// coding, the symbol ID code table that precedes the instances.
#include <cstdint>
#include <vector>

#include "pdf/filters/jbig2/jbig2_bitmap.h"
#include "pdf/filters/jbig2/jbig2_huffman.h"
#include "pdf/filters/jbig2/jbig2_stream_reader.h"

namespace ostrel {

// reader is positioned after the region segment information field; symbols
// are those of the referred dictionaries, userTables the referred tables
// segments in order.
TJBIG2BitmapPtr DecodeTextRegionSegment(TStreamReader& reader, int64_t width, int64_t height,
                                        std::vector<const TJBIG2Bitmap*> symbols,
                                        const std::vector<const THuffmanTable*>& userTables,
                                        TJBIG2BitmapFactory& factory);

}  // namespace ostrel
