#include "pdf/filters/jbig2/jbig2_text_region_segment.h"

#include <optional>

#include "pdf/filters/jbig2/jbig2_table_segment.h"
#include "pdf/filters/jbig2/jbig2_text_region.h"

namespace ostrel {
namespace {

// The Huffman flags word, field by field in the order user-supplied tables
// are taken from the referred-to list.
constexpr TTableChoice kFS{0, 2, {6, 7, 0, kUserTable}};
constexpr TTableChoice kDS{2, 2, {8, 9, 10, kUserTable}};
constexpr TTableChoice kDT{4, 2, {11, 12, 13, kUserTable}};
constexpr TTableChoice kRDW{6, 2, {14, 15, 0, kUserTable}};
constexpr TTableChoice kRDH{8, 2, {14, 15, 0, kUserTable}};
constexpr TTableChoice kRDX{10, 2, {14, 15, 0, kUserTable}};
constexpr TTableChoice kRDY{12, 2, {14, 15, 0, kUserTable}};
constexpr TTableChoice kRSIZE{14, 1, {1, kUserTable}};

TTextRegionHuffmanTables SelectTables(uint32_t flags, const std::vector<const THuffmanTable*>& userTables) {
  TUserTables user(userTables);
  TTextRegionHuffmanTables t;
  t.FS = SelectTable(flags, kFS, user);
  t.DS = SelectTable(flags, kDS, user);
  t.DT = SelectTable(flags, kDT, user);
  t.RDW = SelectTable(flags, kRDW, user);
  t.RDH = SelectTable(flags, kRDH, user);
  t.RDX = SelectTable(flags, kRDX, user);
  t.RDY = SelectTable(flags, kRDY, user);
  t.RSIZE = SelectTable(flags, kRSIZE, user);
  return t;
}

// Symbol ID code lengths, themselves coded: 35 run codes of 4-bit lengths,
// then one code per symbol, where codes 32 to 34 repeat a length.
THuffmanTable ReadSymbolIdCodes(TStreamReader& reader, size_t symbolCount) {
  std::vector<THuffmanLine> runLines;
  for (int32_t i = 0; i < 35; ++i) runLines.push_back({i, static_cast<int>(reader.ReadBits(4)), 0});
  THuffmanTable runCodes(runLines);
  THuffmanDecoder huffman(reader);
  std::vector<THuffmanLine> lines;
  lines.reserve(symbolCount);
  while (lines.size() < symbolCount) {
    int32_t code = huffman.DecodeValue(runCodes);
    size_t repeat = 1;
    int length = code;
    if (code == 32) {
      if (lines.empty()) throw EJBIG2Error("bad symbol code lengths");
      length = lines.back().PrefixLength;
      repeat = 3 + reader.ReadBits(2);
    } else if (code == 33) {
      length = 0;
      repeat = 3 + reader.ReadBits(3);
    } else if (code == 34) {
      length = 0;
      repeat = 11 + reader.ReadBits(7);
    }
    if (lines.size() + repeat > symbolCount) throw EJBIG2Error("bad symbol code lengths");
    for (size_t i = 0; i < repeat; ++i) lines.push_back({static_cast<int32_t>(lines.size()), length, 0});
  }
  reader.AlignToByte();
  return THuffmanTable(std::move(lines));
}

}  // namespace

TJBIG2BitmapPtr DecodeTextRegionSegment(TStreamReader& r, int64_t width, int64_t height,
                                        std::vector<const TJBIG2Bitmap*> symbols,
                                        const std::vector<const THuffmanTable*>& userTables,
                                        TJBIG2BitmapFactory& factory) {
  uint32_t flags = r.ReadNumber(2);
  TTextRegionParams p;
  p.Huffman = flags & 1;
  p.Refine = flags >> 1 & 1;
  p.LogStrips = static_cast<int>(flags >> 2 & 3);
  p.RefCorner = static_cast<int>(flags >> 4 & 3);
  p.Transposed = flags >> 6 & 1;
  p.CombinationOperator = static_cast<TJBIG2CombinationOperator>(flags >> 7 & 3);
  p.DefaultPixel = flags >> 9 & 1;
  p.DSOffset = static_cast<int>(flags >> 10 & 31);
  if (p.DSOffset >= 16) p.DSOffset -= 32;
  p.RefinementTemplate = static_cast<int>(flags >> 15 & 1);
  if (p.Huffman) p.Tables = SelectTables(r.ReadNumber(2), userTables);
  if (p.Refine && p.RefinementTemplate == 0)
    for (int i = 0; i < 2; ++i) {
      p.RATX[i] = r.ReadSigned8();
      p.RATY[i] = r.ReadSigned8();
    }
  p.NumInstances = r.ReadNumber(4);
  p.Symbols = std::move(symbols);
  p.SymbolCodeLength = SymbolCodeLength(static_cast<uint32_t>(p.Symbols.size()));
  if (width > (int64_t{1} << 28) || height > (int64_t{1} << 28)) throw EJBIG2Error("region too large");
  p.Width = static_cast<int>(width);
  p.Height = static_cast<int>(height);
  if (p.Huffman) {
    THuffmanTable symbolCodes = ReadSymbolIdCodes(r, p.Symbols.size());
    p.Tables.SymbolCodes = &symbolCodes;
    return DecodeTextRegion(p, factory, nullptr, nullptr, &r);
  }
  TArithmeticDecoder decoder(r.Rest());
  TTextRegionContexts contexts(p.SymbolCodeLength);
  return DecodeTextRegion(p, factory, &decoder, &contexts, nullptr);
}

}  // namespace ostrel
