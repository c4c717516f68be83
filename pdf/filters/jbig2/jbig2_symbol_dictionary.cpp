#include "pdf/filters/jbig2/jbig2_symbol_dictionary.h"

#include <cstring>
#include <optional>

#include "pdf/filters/jbig2/jbig2_generic_region.h"
#include "pdf/filters/jbig2/jbig2_huffman.h"
#include "pdf/filters/jbig2/jbig2_table_segment.h"
#include "pdf/filters/jbig2/jbig2_text_region.h"

namespace ostrel {
namespace {

// Heights and widths beyond this come only from damaged data.
constexpr int64_t kMaxSymbolSide = int64_t{1} << 24;

struct TFlags {
  explicit TFlags(uint32_t f)
      : Huffman(f & 1), RefAgg(f >> 1 & 1), ContextUsed(f >> 8 & 1),
        ContextRetained(f >> 9 & 1), Template(f >> 10 & 3), RTemplate(f >> 12 & 1) {}
  bool Huffman, RefAgg;
  bool ContextUsed, ContextRetained;
  int Template, RTemplate;
};

// The Huffman flags, field by field in the order user-supplied tables are
// taken from the referred-to list.
constexpr TTableChoice kDH{2, 2, {4, 5, 0, kUserTable}};
constexpr TTableChoice kDW{4, 2, {2, 3, 0, kUserTable}};
constexpr TTableChoice kBMSize{6, 1, {1, kUserTable}};
constexpr TTableChoice kAggInst{7, 1, {1, kUserTable}};

struct TTables {
  const THuffmanTable *DH = nullptr, *DW = nullptr, *BMSize = nullptr, *AggInst = nullptr;
};

TTables SelectTables(uint32_t flags, const std::vector<const THuffmanTable*>& userTables) {
  TUserTables user(userTables);
  TTables t;
  t.DH = SelectTable(flags, kDH, user);
  t.DW = SelectTable(flags, kDW, user);
  t.BMSize = SelectTable(flags, kBMSize, user);
  t.AggInst = SelectTable(flags, kAggInst, user);
  return t;
}

}  // namespace

TSymbolDictionary DecodeSymbolDictionary(TStreamReader& reader,
                                         const std::vector<const TJBIG2Bitmap*>& inputSymbols,
                                         const TSymbolDictionary* contextSource,
                                         const std::vector<const THuffmanTable*>& userTables,
                                         TJBIG2BitmapFactory& factory) {
  const uint32_t flagWord = reader.ReadNumber(2);
  TFlags f(flagWord);
  TGenericRegionParams gp;
  gp.Template = f.Template;
  if (!f.Huffman)
    for (int i = 0; i < (f.Template == 0 ? 4 : 1); ++i) {
      gp.ATX[i] = reader.ReadSigned8();
      gp.ATY[i] = reader.ReadSigned8();
    }
  TTextRegionParams tp;
  if (f.RefAgg && f.RTemplate == 0)
    for (int i = 0; i < 2; ++i) {
      tp.RATX[i] = reader.ReadSigned8();
      tp.RATY[i] = reader.ReadSigned8();
    }
  uint32_t numExported = reader.ReadNumber(4);
  uint32_t numNew = reader.ReadNumber(4);
  uint64_t numAll = uint64_t{inputSymbols.size()} + numNew;
  if (numAll > kMaxJBIG2Symbols || numExported > numAll) throw EJBIG2Error("too many symbols");
  TTables tables;
  if (f.Huffman) tables = SelectTables(flagWord, userTables);

  std::optional<TArithmeticDecoder> arith;
  std::optional<THuffmanDecoder> huffman;
  if (f.Huffman) huffman.emplace(reader);
  else arith.emplace(reader.Rest());
  TArithmeticDecoderStats IADH(512), IADW(512), IAEX(512), IAAI(512);
  TSymbolDictionary result;
  result.GB = std::make_shared<TArithmeticDecoderStats>(kGenericContexts);
  result.GR = std::make_shared<TArithmeticDecoderStats>(kRefinementContexts);
  if (f.ContextUsed && contextSource && contextSource->GB && contextSource->GR) {
    *result.GB = *contextSource->GB;
    *result.GR = *contextSource->GR;
  }
  const THuffmanTable* B1 = &THuffmanTable::Standard(1);
  const THuffmanTable* B15 = &THuffmanTable::Standard(15);
  const int codeLength = SymbolCodeLength(static_cast<uint32_t>(numAll));
  TTextRegionContexts textContexts(f.RefAgg ? codeLength : 0);

  auto read = [&](TArithmeticDecoderStats& stats, const THuffmanTable* table, int32_t& v) {
    return f.Huffman ? huffman->Decode(*table, v) : arith->DecodeInt(stats, v);
  };
  auto readValue = [&](TArithmeticDecoderStats& stats, const THuffmanTable* table) {
    int32_t v = 0;
    if (!read(stats, table, v)) throw EJBIG2Error("unexpected out-of-band value");
    return v;
  };

  std::vector<const TJBIG2Bitmap*> all(inputSymbols);
  std::vector<TJBIG2BitmapPtr> newSymbols;
  int64_t classHeight = 0;
  while (newSymbols.size() < numNew) {
    classHeight += readValue(IADH, tables.DH);
    if (classHeight < 0 || classHeight > kMaxSymbolSide) throw EJBIG2Error("bad symbol height");
    int64_t symbolWidth = 0, totalWidth = 0;
    size_t firstInClass = newSymbols.size();
    std::vector<int64_t> widths;
    for (;;) {
      int32_t dw = 0;
      if (!read(IADW, tables.DW, dw)) break;
      if (newSymbols.size() >= numNew) throw EJBIG2Error("too many symbols in height class");
      symbolWidth += dw;
      totalWidth += symbolWidth;
      if (symbolWidth < 0 || symbolWidth > kMaxSymbolSide || totalWidth > kMaxSymbolSide)
        throw EJBIG2Error("bad symbol width");
      if (f.Huffman && !f.RefAgg) {
        widths.push_back(symbolWidth);
        newSymbols.push_back(nullptr);  // cut from the collective bitmap below
        continue;
      }
      TJBIG2BitmapPtr symbol;
      if (!f.RefAgg) {
        symbol = factory.Make(symbolWidth, classHeight);
        DecodeGenericRegion(*symbol, gp, *arith, *result.GB);
      } else {
        int32_t instances = readValue(IAAI, tables.AggInst);
        if (instances == 1) {
          uint32_t id = f.Huffman ? reader.ReadBits(codeLength) : arith->DecodeIAID(textContexts.IAID, codeLength);
          int32_t rdx = readValue(textContexts.IARDX, B15);
          int32_t rdy = readValue(textContexts.IARDY, B15);
          if (id >= all.size()) throw EJBIG2Error("symbol ID out of range");
          symbol = factory.Make(symbolWidth, classHeight);
          TRefinementParams rp;
          rp.Template = f.RTemplate;
          std::memcpy(rp.ATX, tp.RATX, sizeof rp.ATX);
          std::memcpy(rp.ATY, tp.RATY, sizeof rp.ATY);
          rp.Reference = all[id];
          rp.DX = rdx;
          rp.DY = rdy;
          if (f.Huffman) {
            int32_t size = readValue(IAAI, B1);
            reader.AlignToByte();
            if (size < 0 || static_cast<size_t>(size) > reader.Remaining())
              throw EJBIG2Error("refinement data too short");
            TArithmeticDecoder sub(reader.Rest().substr(0, static_cast<size_t>(size)));
            DecodeRefinementRegion(*symbol, rp, sub, *result.GR);
            reader.Skip(static_cast<size_t>(size));
          } else {
            DecodeRefinementRegion(*symbol, rp, *arith, *result.GR);
          }
        } else {
          if (instances < 0) throw EJBIG2Error("bad aggregate instance count");
          tp.Huffman = f.Huffman;
          tp.Refine = true;
          tp.Width = static_cast<int>(symbolWidth);
          tp.Height = static_cast<int>(classHeight);
          tp.NumInstances = static_cast<uint32_t>(instances);
          tp.Symbols = all;
          tp.SymbolCodeLength = codeLength;
          tp.RefinementTemplate = f.RTemplate;
          tp.Tables = {&THuffmanTable::Standard(6),  &THuffmanTable::Standard(8),
                       &THuffmanTable::Standard(11), &THuffmanTable::Standard(15),
                       &THuffmanTable::Standard(15), &THuffmanTable::Standard(15),
                       &THuffmanTable::Standard(15), &THuffmanTable::Standard(1), nullptr};
          std::swap(textContexts.GR, *result.GR);
          symbol = DecodeTextRegion(tp, factory, arith ? &*arith : nullptr, &textContexts,
                                    f.Huffman ? &reader : nullptr);
          std::swap(textContexts.GR, *result.GR);
        }
      }
      newSymbols.push_back(symbol);
      all.push_back(symbol.get());
    }
    if (f.Huffman && !f.RefAgg) {
      int32_t size = readValue(IAAI, tables.BMSize);
      reader.AlignToByte();
      TJBIG2BitmapPtr collective = factory.Make(totalWidth, classHeight);
      if (size == 0) {
        for (int y = 0; y < collective->Height(); ++y) {
          std::string_view row = reader.Rest().substr(0, collective->Stride());
          if (row.size() < collective->Stride()) throw EJBIG2Error("symbol bitmap too short");
          if (!row.empty()) std::memcpy(collective->Row(y), row.data(), row.size());
          reader.Skip(row.size());
        }
      } else {
        if (size < 0 || static_cast<size_t>(size) > reader.Remaining())
          throw EJBIG2Error("symbol bitmap too short");
        DecodeGenericRegionMMR(*collective, reader.Rest().substr(0, static_cast<size_t>(size)));
        reader.Skip(static_cast<size_t>(size));
      }
      int64_t x = 0;
      for (size_t i = 0; i < widths.size(); ++i) {
        auto symbol = std::make_shared<TJBIG2Bitmap>(
            collective->Extract(static_cast<int>(x), 0, static_cast<int>(widths[i]), collective->Height()));
        newSymbols[firstInClass + i] = symbol;
        all.push_back(symbol.get());
        x += widths[i];
      }
    }
  }

  // Export flags: alternating runs of not exported and exported symbols.
  const size_t numInput = inputSymbols.size();
  size_t index = 0;
  bool exported = false;
  for (size_t runs = 0; index < all.size(); ++runs) {
    int32_t run = readValue(IAEX, B1);
    if (run < 0 || static_cast<uint64_t>(run) > all.size() - index || runs > 2 * all.size() + 2)
      throw EJBIG2Error("bad export flags");
    for (size_t i = index; exported && i < index + static_cast<size_t>(run); ++i)
      result.Exported.push_back(i < numInput ? std::make_shared<TJBIG2Bitmap>(*all[i])
                                             : newSymbols[i - numInput]);
    index += static_cast<size_t>(run);
    exported = !exported;
  }
  if (!f.ContextRetained) result.GB.reset(), result.GR.reset();
  return result;
}

}  // namespace ostrel
