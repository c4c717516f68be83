#pragma once
// The text region decoding procedure: symbol instances placed strip by strip,
// optionally refined. Text region segments and aggregate symbols in symbol
// dictionaries both use it.
#include <cstdint>
#include <vector>

#include "pdf/filters/jbig2/jbig2_arithmetic_decoder.h"
#include "pdf/filters/jbig2/jbig2_bitmap.h"
#include "pdf/filters/jbig2/jbig2_generic_region.h"
#include "pdf/filters/jbig2/jbig2_huffman.h"

namespace ostrel {

// Symbol counts are bounded so that symbol ID contexts stay small.
inline constexpr uint32_t kMaxJBIG2Symbols = uint32_t{1} << 20;
inline constexpr uint32_t kMaxJBIG2Instances = uint32_t{1} << 22;

// ceil(log2(count)), 0 for one symbol.
int SymbolCodeLength(uint32_t count);

// Arithmetic contexts of one text region (or of one symbol dictionary's
// aggregate symbols, which keep them from symbol to symbol).
struct TTextRegionContexts {
  explicit TTextRegionContexts(int symbolCodeLength)
      : IAID(size_t{1} << (symbolCodeLength + 1)) {}
  TArithmeticDecoderStats IADT{512}, IAFS{512}, IADS{512}, IAIT{512}, IARI{512};
  TArithmeticDecoderStats IARDW{512}, IARDH{512}, IARDX{512}, IARDY{512};
  TArithmeticDecoderStats IAID;
  TArithmeticDecoderStats GR{kRefinementContexts};
};

struct TTextRegionHuffmanTables {
  const THuffmanTable* FS = nullptr;
  const THuffmanTable* DS = nullptr;
  const THuffmanTable* DT = nullptr;
  const THuffmanTable* RDW = nullptr;
  const THuffmanTable* RDH = nullptr;
  const THuffmanTable* RDX = nullptr;
  const THuffmanTable* RDY = nullptr;
  const THuffmanTable* RSIZE = nullptr;
  // Symbol ID codes; without them IDs are SymbolCodeLength raw bits.
  const THuffmanTable* SymbolCodes = nullptr;
};

struct TTextRegionParams {
  bool Huffman = false;
  bool Refine = false;
  int Width = 0;
  int Height = 0;
  uint32_t NumInstances = 0;
  int LogStrips = 0;
  std::vector<const TJBIG2Bitmap*> Symbols;
  int SymbolCodeLength = 0;
  bool DefaultPixel = false;
  TJBIG2CombinationOperator CombinationOperator = TJBIG2CombinationOperator::Or;
  bool Transposed = false;
  int RefCorner = 1;  // 0 bottom left, 1 top left, 2 bottom right, 3 top right
  int DSOffset = 0;
  int RefinementTemplate = 0;
  int RATX[2] = {-1, -1};
  int RATY[2] = {-1, -1};
  TTextRegionHuffmanTables Tables;
};

// Arithmetic decoding needs decoder and contexts; Huffman decoding the reader
// positioned at the coded instances.
TJBIG2BitmapPtr DecodeTextRegion(const TTextRegionParams& params, TJBIG2BitmapFactory& factory,
                                 TArithmeticDecoder* decoder, TTextRegionContexts* contexts,
                                 TStreamReader* reader);

}  // namespace ostrel
