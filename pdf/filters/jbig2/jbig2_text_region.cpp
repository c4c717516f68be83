#include "pdf/filters/jbig2/jbig2_text_region.h"

#include <optional>

namespace ostrel {

int SymbolCodeLength(uint32_t count) {
  int length = 0;
  while (length < 32 && (uint64_t{1} << length) < count) ++length;
  return length;
}

namespace {

// Reads the values of one text region from either coder.
class TInstanceReader {
 public:
  TInstanceReader(const TTextRegionParams& p, TArithmeticDecoder* d, TTextRegionContexts* c,
                  TStreamReader* r)
      : p_(p), arith_(d), ctx_(c), reader_(r) {
    if (p.Huffman ? !r : !(d && c)) throw EJBIG2Error("text region without a coder");
    if (r) huffman_.emplace(*r);
  }

  // false for OOB.
  bool Read(TArithmeticDecoderStats TTextRegionContexts::*stats, const THuffmanTable* table,
            int32_t& value) {
    if (!p_.Huffman) return arith_->DecodeInt(ctx_->*stats, value);
    if (!table) throw EJBIG2Error("missing Huffman table");
    return huffman_->Decode(*table, value);
  }
  int32_t ReadValue(TArithmeticDecoderStats TTextRegionContexts::*stats,
                    const THuffmanTable* table) {
    int32_t v = 0;
    if (!Read(stats, table, v)) throw EJBIG2Error("unexpected out-of-band value");
    return v;
  }
  int32_t ReadStripT() {
    if (p_.LogStrips == 0) return 0;
    if (p_.Huffman) return static_cast<int32_t>(reader_->ReadBits(p_.LogStrips));
    return ReadValue(&TTextRegionContexts::IAIT, nullptr);
  }
  uint32_t ReadSymbolId() {
    if (!p_.Huffman) return arith_->DecodeIAID(ctx_->IAID, p_.SymbolCodeLength);
    if (p_.Tables.SymbolCodes) return static_cast<uint32_t>(huffman_->DecodeValue(*p_.Tables.SymbolCodes));
    return reader_->ReadBits(p_.SymbolCodeLength);
  }
  bool ReadRefinementFlag() {
    if (!p_.Refine) return false;
    if (p_.Huffman) return reader_->ReadBit() != 0;
    return ReadValue(&TTextRegionContexts::IARI, nullptr) != 0;
  }

  const TTextRegionParams& p_;
  TArithmeticDecoder* arith_;
  TTextRegionContexts* ctx_;
  TStreamReader* reader_;
  std::optional<THuffmanDecoder> huffman_;
};

}  // namespace

TJBIG2BitmapPtr DecodeTextRegion(const TTextRegionParams& p, TJBIG2BitmapFactory& factory,
                                 TArithmeticDecoder* decoder, TTextRegionContexts* contexts,
                                 TStreamReader* reader) {
  if (p.NumInstances > kMaxJBIG2Instances) throw EJBIG2Error("too many symbol instances");
  TJBIG2BitmapPtr region = factory.Make(p.Width, p.Height, p.DefaultPixel);
  TInstanceReader in(p, decoder, contexts, reader);
  using C = TTextRegionContexts;
  const int64_t strips = int64_t{1} << p.LogStrips;
  const auto& t = p.Tables;

  std::optional<TArithmeticDecoderStats> ownRefinementStats;
  TArithmeticDecoderStats* refinementStats = contexts ? &contexts->GR : nullptr;
  if (!refinementStats && p.Refine) refinementStats = &ownRefinementStats.emplace(kRefinementContexts);

  int64_t stripT = -int64_t{in.ReadValue(&C::IADT, t.DT)} * strips;
  int64_t firstS = 0;
  uint32_t instances = 0;
  while (instances < p.NumInstances) {
    stripT += int64_t{in.ReadValue(&C::IADT, t.DT)} * strips;
    firstS += in.ReadValue(&C::IAFS, t.FS);
    int64_t curS = firstS;
    for (bool first = true;; first = false) {
      if (!first) {
        int32_t ds = 0;
        if (instances == p.NumInstances) {
          // The last strip ends with OOB like every other. It is read so
          // that what follows in the same data (aggregate symbols of a
          // dictionary) starts in the right place; a stream that leaves it
          // out still keeps its instances.
          try {
            in.Read(&C::IADS, t.DS, ds);
          } catch (const EJBIG2Error&) {
          }
          break;
        }
        if (!in.Read(&C::IADS, t.DS, ds)) break;  // end of the strip
        curS += int64_t{ds} + p.DSOffset;
      }
      int64_t curT = stripT + in.ReadStripT();
      uint32_t id = in.ReadSymbolId();
      if (id >= p.Symbols.size() || !p.Symbols[id]) throw EJBIG2Error("symbol ID out of range");
      const TJBIG2Bitmap* symbol = p.Symbols[id];
      TJBIG2BitmapPtr refined;
      if (in.ReadRefinementFlag()) {
        int32_t rdw = in.ReadValue(&C::IARDW, t.RDW);
        int32_t rdh = in.ReadValue(&C::IARDH, t.RDH);
        int32_t rdx = in.ReadValue(&C::IARDX, t.RDX);
        int32_t rdy = in.ReadValue(&C::IARDY, t.RDY);
        refined = factory.Make(int64_t{symbol->Width()} + rdw, int64_t{symbol->Height()} + rdh);
        TRefinementParams rp;
        rp.Template = p.RefinementTemplate;
        for (int i = 0; i < 2; ++i) {
          rp.ATX[i] = p.RATX[i];
          rp.ATY[i] = p.RATY[i];
        }
        rp.Reference = symbol;
        rp.DX = (int64_t{rdw} >> 1) + rdx;  // floor(RDW / 2) + RDX
        rp.DY = (int64_t{rdh} >> 1) + rdy;
        if (p.Huffman) {
          int32_t size = in.ReadValue(nullptr, t.RSIZE);
          reader->AlignToByte();
          if (size < 0 || static_cast<size_t>(size) > reader->Remaining())
            throw EJBIG2Error("refinement data too short");
          // Each refinement has its own arithmetic-coded bytes, but the
          // contexts carry over from one to the next through the region.
          TArithmeticDecoder refinementDecoder(reader->Rest().substr(0, static_cast<size_t>(size)));
          DecodeRefinementRegion(*refined, rp, refinementDecoder, *refinementStats);
          reader->Skip(static_cast<size_t>(size));
        } else {
          DecodeRefinementRegion(*refined, rp, *decoder, *refinementStats);
        }
        symbol = refined.get();
      }
      const int64_t w = symbol->Width(), h = symbol->Height();
      if (!p.Transposed && (p.RefCorner == 2 || p.RefCorner == 3)) curS += w - 1;
      if (p.Transposed && (p.RefCorner == 0 || p.RefCorner == 2)) curS += h - 1;
      int64_t s = curS, x, y;
      bool right = p.RefCorner == 2 || p.RefCorner == 3, bottom = p.RefCorner == 0 || p.RefCorner == 2;
      if (!p.Transposed) {
        x = right ? s - w + 1 : s;
        y = bottom ? curT - h + 1 : curT;
      } else {
        x = right ? curT - w + 1 : curT;
        y = bottom ? s - h + 1 : s;
      }
      region->Combine(*symbol, x, y, p.CombinationOperator);
      if (!p.Transposed && (p.RefCorner == 0 || p.RefCorner == 1)) curS += w - 1;
      if (p.Transposed && (p.RefCorner == 1 || p.RefCorner == 3)) curS += h - 1;
      ++instances;
    }
  }
  return region;
}

}  // namespace ostrel
