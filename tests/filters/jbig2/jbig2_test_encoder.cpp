#include "tests/filters/jbig2/jbig2_test_encoder.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>

namespace ostrel::jbig2test {

// --- byte helpers and segment framing -------------------------------------

std::string Number(uint64_t v, int bytes) {
  std::string s;
  for (int i = bytes - 1; i >= 0; --i) s.push_back(static_cast<char>(v >> (8 * i)));
  return s;
}

std::string Segment(uint32_t number, int type, const std::vector<uint32_t>& refs, const std::string& data,
                    uint32_t page) {
  std::string s = Number(number, 4) + Number(type, 1);
  if (refs.size() <= 4) {
    s += Number(refs.size() << 5, 1);
  } else {
    s += Number(0xE0000000u | refs.size(), 4) + std::string((refs.size() + 8) / 8, '\0');
  }
  const int refSize = number <= 256 ? 1 : number <= 65536 ? 2 : 4;
  for (uint32_t r : refs) s += Number(r, refSize);
  return s + Number(page, 1) + Number(data.size(), 4) + data;
}

std::string PageInfo(uint32_t number, uint32_t width, uint32_t height, int flags, int striping) {
  return Segment(number, 48, {},
                 Number(width, 4) + Number(height, 4) + Number(0, 8) + Number(flags, 1) + Number(striping, 2));
}

std::string RegionInfo(uint32_t w, uint32_t h, int32_t x, int32_t y, int op) {
  return Number(w, 4) + Number(h, 4) + Number(static_cast<uint32_t>(x), 4) + Number(static_cast<uint32_t>(y), 4) +
         Number(op, 1);
}

// --- MQ coder (the encoder flow charts of the standard) ---------------------

namespace {

constexpr uint16_t kQe[47] = {
    0x5601, 0x3401, 0x1801, 0x0AC1, 0x0521, 0x0221, 0x5601, 0x5401, 0x4801, 0x3801, 0x3001, 0x2401,
    0x1C01, 0x1601, 0x5601, 0x5401, 0x5101, 0x4801, 0x3801, 0x3401, 0x3001, 0x2801, 0x2401, 0x2201,
    0x1C01, 0x1801, 0x1601, 0x1401, 0x1201, 0x1101, 0x0AC1, 0x09C1, 0x08A1, 0x0521, 0x0441, 0x02A1,
    0x0221, 0x0141, 0x0111, 0x0085, 0x0049, 0x0025, 0x0015, 0x0009, 0x0005, 0x0001, 0x5601};
constexpr uint8_t kNmps[47] = {1,  2,  3,  4,  5,  38, 7,  8,  9,  10, 11, 12, 13, 29, 15, 16,
                               17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32,
                               33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 45, 46};
constexpr uint8_t kNlps[47] = {1,  6,  9,  12, 29, 33, 6,  14, 14, 14, 17, 18, 20, 21, 14, 14,
                               15, 16, 17, 18, 19, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
                               30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 46};

}  // namespace

void TMQEncoder::Encode(TMQStats& stats, size_t cx, int d) {
  uint8_t& index = stats.Index.at(cx);
  uint8_t& mps = stats.Mps.at(cx);
  const uint32_t qe = kQe[index];
  a_ -= qe;
  if (d == mps) {
    if (a_ & 0x8000) {
      c_ += qe;
      return;
    }
    if (a_ < qe) a_ = qe;
    else c_ += qe;
    index = kNmps[index];
  } else {
    if (a_ < qe) c_ += qe;
    else a_ = qe;
    if (index == 0 || index == 6 || index == 14) mps = static_cast<uint8_t>(1 - mps);
    index = kNlps[index];
  }
  do {
    a_ <<= 1;
    c_ <<= 1;
    if (--ct_ == 0) ByteOut();
  } while (!(a_ & 0x8000));
}

void TMQEncoder::EncodeIntBits(TMQStats& stats, int sign, uint32_t magnitude) {
  uint32_t prev = 1;
  auto bit = [&](int d) {
    Encode(stats, prev, d);
    prev = prev < 256 ? (prev << 1) | static_cast<uint32_t>(d) : (((prev << 1) | static_cast<uint32_t>(d)) & 511) | 256;
  };
  static const struct {
    uint32_t Low, High;
    int Prefix, Bits;
  } kRanges[] = {{0, 3, 0, 2},       {4, 19, 1, 4},      {20, 83, 2, 6},
                 {84, 339, 3, 8},    {340, 4435, 4, 12}, {4436, 0xFFFFFFFF, 5, 32}};
  bit(sign);
  for (const auto& r : kRanges) {
    if (magnitude < r.Low || magnitude > r.High) continue;
    for (int i = 0; i < r.Prefix; ++i) bit(1);
    if (r.Prefix < 5) bit(0);
    for (int i = r.Bits - 1; i >= 0; --i) bit(static_cast<int>((magnitude - r.Low) >> i & 1));
    return;
  }
}

void TMQEncoder::EncodeInt(TMQStats& stats, int32_t v) {
  EncodeIntBits(stats, v < 0, static_cast<uint32_t>(v < 0 ? -int64_t{v} : v));
}

void TMQEncoder::EncodeOOB(TMQStats& stats) { EncodeIntBits(stats, 1, 0); }

void TMQEncoder::EncodeIAID(TMQStats& stats, int codeLength, uint32_t id) {
  uint32_t prev = 1;
  for (int i = codeLength - 1; i >= 0; --i) {
    int d = static_cast<int>(id >> i & 1);
    Encode(stats, prev, d);
    prev = (prev << 1) | static_cast<uint32_t>(d);
  }
}

std::string TMQEncoder::Finish() {
  uint32_t temp = c_ + a_;
  c_ |= 0xFFFF;
  if (c_ >= temp) c_ -= 0x8000;
  c_ <<= ct_;
  ByteOut();
  c_ <<= ct_;
  ByteOut();
  if (out_.back() != '\xFF') out_.push_back('\xFF');
  out_.push_back('\xAC');
  return out_.substr(1);
}

void TMQEncoder::ByteOut() {
  uint8_t& b = reinterpret_cast<uint8_t&>(out_.back());
  if (b == 0xFF) {
    Put(c_ >> 20, 0xFFFFF, 7);
  } else if (c_ < 0x8000000) {
    Put(c_ >> 19, 0x7FFFF, 8);
  } else {
    ++b;
    if (b == 0xFF) {
      c_ &= 0x7FFFFFF;
      Put(c_ >> 20, 0xFFFFF, 7);
    } else {
      Put(c_ >> 19, 0x7FFFF, 8);
    }
  }
}

void TMQEncoder::Put(uint32_t byte, uint32_t mask, int ct) {
  out_.push_back(static_cast<char>(byte));
  c_ &= mask;
  ct_ = ct;
}

// --- Huffman coding ----------------------------------------------------------

void TBitWriter::Put(uint64_t value, int bits) {
  for (int i = bits - 1; i >= 0; --i) {
    if (used_ == 8) {
      out_.push_back('\0');
      used_ = 0;
    }
    if (value >> i & 1) out_.back() = static_cast<char>(out_.back() | (0x80 >> used_));
    ++used_;
  }
}

void TBitWriter::Align() { used_ = 8; }

TTestTable::TTestTable(std::vector<TTestLine> lines) : lines_(std::move(lines)), codes_(lines_.size()) {
  // Canonical codes: lengths in increasing order, lines in order within one.
  uint32_t first = 0, countBefore = 0;
  for (int length = 1; length <= 32; ++length) {
    first = (first + countBefore) << 1;
    countBefore = 0;
    for (size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i].PrefixLength == length) codes_[i] = first + countBefore++;
  }
}

void TTestTable::PutCode(TBitWriter& out, size_t line) const {
  if (lines_[line].PrefixLength == 0) throw std::logic_error("line without a code");
  out.Put(codes_[line], lines_[line].PrefixLength);
}

void TTestTable::Encode(TBitWriter& out, int64_t value) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const TTestLine& l = lines_[i];
    if (l.Kind == TTestLine::Normal && value >= l.RangeLow && value - l.RangeLow < (int64_t{1} << l.RangeLength) &&
        l.PrefixLength) {
      PutCode(out, i);
      out.Put(static_cast<uint64_t>(value - l.RangeLow), l.RangeLength);
      return;
    }
  }
  for (size_t i = 0; i < lines_.size(); ++i) {
    const TTestLine& l = lines_[i];
    if (l.Kind == TTestLine::Lower && value <= l.RangeLow) {
      PutCode(out, i);
      out.Put(static_cast<uint64_t>(l.RangeLow - value), 32);
      return;
    }
    if (l.Kind == TTestLine::Upper && value >= l.RangeLow) {
      PutCode(out, i);
      out.Put(static_cast<uint64_t>(value - l.RangeLow), 32);
      return;
    }
  }
  throw std::logic_error("value outside the table");
}

void TTestTable::EncodeOOB(TBitWriter& out) const {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].Kind == TTestLine::OutOfBand) return PutCode(out, i);
  throw std::logic_error("table without OOB");
}

const TTestTable& StandardTable(int n) {
  const auto low = TTestLine::Lower, up = TTestLine::Upper, oob = TTestLine::OutOfBand;
  static const std::map<int, TTestTable> tables = {
      {1, TTestTable({{1, 4, 0}, {2, 8, 16}, {3, 16, 272}, {3, 32, 65808, up}})},
      {2, TTestTable({{1, 0, 0}, {2, 0, 1}, {3, 0, 2}, {4, 3, 3}, {5, 6, 11}, {6, 32, 75, up}, {6, 0, 0, oob}})},
      {4, TTestTable({{1, 0, 1}, {2, 0, 2}, {3, 0, 3}, {4, 3, 4}, {5, 6, 12}, {5, 32, 76, up}})},
      {6, TTestTable({{5, 10, -2048}, {4, 9, -1024}, {4, 8, -512}, {4, 7, -256}, {5, 6, -128}, {5, 5, -64},
                      {4, 5, -32}, {2, 7, 0}, {3, 7, 128}, {3, 8, 256}, {4, 9, 512}, {4, 10, 1024},
                      {6, 32, -2049, low}, {6, 32, 2048, up}})},
      {8, TTestTable({{8, 3, -15}, {9, 1, -7}, {8, 1, -5}, {9, 0, -3}, {7, 0, -2}, {4, 0, -1}, {2, 1, 0},
                      {5, 0, 2}, {6, 0, 3}, {3, 4, 4}, {6, 1, 20}, {4, 4, 22}, {4, 5, 38}, {5, 6, 70},
                      {5, 7, 134}, {6, 7, 262}, {7, 8, 390}, {6, 10, 646}, {9, 32, -16, low},
                      {9, 32, 1670, up}, {2, 0, 0, oob}})},
      {11, TTestTable({{1, 0, 1}, {2, 1, 2}, {4, 0, 4}, {4, 1, 5}, {5, 1, 7}, {5, 2, 9}, {6, 2, 13}, {7, 2, 17},
                       {7, 3, 21}, {7, 4, 29}, {7, 5, 45}, {7, 6, 77}, {7, 32, 141, up}})},
      {14, TTestTable({{3, 0, -2}, {3, 0, -1}, {1, 0, 0}, {3, 0, 1}, {3, 0, 2}})},
      {15, TTestTable({{7, 4, -24}, {6, 2, -8}, {5, 1, -4}, {4, 0, -2}, {3, 0, -1}, {1, 0, 0}, {3, 0, 1},
                       {4, 0, 2}, {5, 1, 3}, {6, 2, 5}, {7, 4, 9}, {7, 32, -25, low}, {7, 32, 25, up}})},
  };
  return tables.at(n);
}

TTestTable TCustomTable::Table() const {
  std::vector<TTestLine> lines;
  int64_t current = Low;
  for (auto [prefix, range] : Lines) {
    lines.push_back({prefix, range, current});
    current += int64_t{1} << range;
  }
  if (current < High) throw std::logic_error("lines do not reach the high value");
  lines.push_back({LowerPrefix, 32, int64_t{Low} - 1, TTestLine::Lower});
  lines.push_back({UpperPrefix, 32, High, TTestLine::Upper});
  if (HasOOB) lines.push_back({OOBPrefix, 0, 0, TTestLine::OutOfBand});
  return TTestTable(lines);
}

std::string TCustomTable::SegmentData() const {
  std::string s = Number(static_cast<uint32_t>(HasOOB) | (PrefixBits - 1) << 1 | (RangeBits - 1) << 4, 1) +
                  Number(static_cast<uint32_t>(Low), 4) + Number(static_cast<uint32_t>(High), 4);
  TBitWriter bits;
  for (auto [prefix, range] : Lines) {
    bits.Put(prefix, PrefixBits);
    bits.Put(range, RangeBits);
  }
  bits.Put(LowerPrefix, PrefixBits);
  bits.Put(UpperPrefix, PrefixBits);
  if (HasOOB) bits.Put(OOBPrefix, PrefixBits);
  return s + bits.Bytes();
}

// --- generic and refinement regions -----------------------------------------

namespace {

struct TPixel {
  int DX, DY, Shift;
};

// Fixed context pixels of the generic templates (Figures 3 to 6 of the
// standard) and the context bits of their adaptive pixels.
const std::vector<TPixel> kGenericFixed[4] = {
    {{-1, 0, 0}, {-2, 0, 1}, {-3, 0, 2}, {-4, 0, 3}, {2, -1, 5}, {1, -1, 6}, {0, -1, 7}, {-1, -1, 8},
     {-2, -1, 9}, {1, -2, 12}, {0, -2, 13}, {-1, -2, 14}},
    {{-1, 0, 0}, {-2, 0, 1}, {-3, 0, 2}, {2, -1, 4}, {1, -1, 5}, {0, -1, 6}, {-1, -1, 7}, {-2, -1, 8},
     {2, -2, 9}, {1, -2, 10}, {0, -2, 11}, {-1, -2, 12}},
    {{-1, 0, 0}, {-2, 0, 1}, {1, -1, 3}, {0, -1, 4}, {-1, -1, 5}, {-2, -1, 6}, {1, -2, 7}, {0, -2, 8},
     {-1, -2, 9}},
    {{-1, 0, 0}, {-2, 0, 1}, {-3, 0, 2}, {-4, 0, 3}, {1, -1, 5}, {0, -1, 6}, {-1, -1, 7}, {-2, -1, 8},
     {-3, -1, 9}}};
const std::vector<int> kGenericATShifts[4] = {{4, 10, 11, 15}, {3}, {2}, {4}};
constexpr size_t kTypicalContext[4] = {0x9B25, 0x0795, 0x00E5, 0x0195};

}  // namespace

void EncodeGeneric(TMQEncoder& enc, TMQStats& stats, const TJBIG2Bitmap& bm, const TGenericOptions& o) {
  std::vector<TPixel> pixels = kGenericFixed[o.Template];
  for (size_t i = 0; i < kGenericATShifts[o.Template].size(); ++i)
    pixels.push_back({o.AT[2 * i], o.AT[2 * i + 1], kGenericATShifts[o.Template][i]});
  bool ltp = false;
  for (int y = 0; y < bm.Height(); ++y) {
    if (o.TypicalPrediction) {
      bool same = true;
      for (int x = 0; x < bm.Width(); ++x) same &= bm.GetPixel(x, y) == bm.GetPixel(x, y - 1);
      enc.Encode(stats, kTypicalContext[o.Template], same != ltp);
      ltp = same;
      if (same) continue;
    }
    for (int x = 0; x < bm.Width(); ++x) {
      if (o.Skip && o.Skip->GetPixel(x, y)) continue;
      size_t cx = 0;
      for (const TPixel& p : pixels) cx |= static_cast<size_t>(bm.GetPixel(x + p.DX, y + p.DY)) << p.Shift;
      enc.Encode(stats, cx, bm.GetPixel(x, y));
    }
  }
}

std::string GenericATBytes(const TGenericOptions& o) {
  std::string s;
  for (size_t i = 0; i < 2 * kGenericATShifts[o.Template].size(); ++i) s += Number(static_cast<uint8_t>(o.AT[i]), 1);
  return s;
}

void EncodeRefinement(TMQEncoder& enc, TMQStats& stats, const TJBIG2Bitmap& target, const TJBIG2Bitmap& reference,
                      const TRefineOptions& o) {
  auto c = [&](int x, int y) { return static_cast<size_t>(target.GetPixel(x, y)); };
  auto r = [&](int x, int y) { return static_cast<size_t>(reference.GetPixel(x - o.DX, y - o.DY)); };
  auto context = [&](int x, int y) -> size_t {
    if (o.Template == 0)
      return c(x - 1, y) | c(x + 1, y - 1) << 1 | c(x, y - 1) << 2 | c(x + o.AT[0], y + o.AT[1]) << 3 |
             r(x + 1, y + 1) << 4 | r(x, y + 1) << 5 | r(x - 1, y + 1) << 6 | r(x + 1, y) << 7 | r(x, y) << 8 |
             r(x - 1, y) << 9 | r(x + 1, y - 1) << 10 | r(x, y - 1) << 11 | r(x + o.AT[2], y + o.AT[3]) << 12;
    return c(x - 1, y) | c(x + 1, y - 1) << 1 | c(x, y - 1) << 2 | c(x - 1, y - 1) << 3 | r(x + 1, y + 1) << 4 |
           r(x, y + 1) << 5 | r(x + 1, y) << 6 | r(x, y) << 7 | r(x - 1, y) << 8 | r(x, y - 1) << 9;
  };
  // -1 where the reference around the pixel is mixed, else its one value.
  auto uniform = [&](int x, int y) {
    size_t sum = 0;
    for (int j = -1; j <= 1; ++j)
      for (int i = -1; i <= 1; ++i) sum += r(x + i, y + j);
    return sum == 0 ? 0 : sum == 9 ? 1 : -1;
  };
  bool ltp = false;
  for (int y = 0; y < target.Height(); ++y) {
    if (o.TypicalPrediction) {
      bool typical = true;
      for (int x = 0; x < target.Width(); ++x) {
        int u = uniform(x, y);
        if (u >= 0 && u != target.GetPixel(x, y)) typical = false;
      }
      enc.Encode(stats, o.Template == 0 ? 0x0010 : 0x0008, typical != ltp);
      ltp = typical;
    }
    for (int x = 0; x < target.Width(); ++x) {
      if (ltp && uniform(x, y) >= 0) continue;
      enc.Encode(stats, context(x, y), target.GetPixel(x, y));
    }
  }
}

// --- text regions --------------------------------------------------------------

namespace {

int CodeLength(size_t count) {
  int length = 0;
  while ((size_t{1} << length) < count) ++length;
  return length;
}

struct TTextContexts {
  explicit TTextContexts(int codeLength) : IAID(size_t{1} << (codeLength + 1)) {}
  TMQStats IADT{512}, IAFS{512}, IADS{512}, IAIT{512}, IARI{512};
  TMQStats IARDW{512}, IARDH{512}, IARDX{512}, IARDY{512}, IAID;
  TMQStats GR{size_t{1} << 13};
};

// Writes the coded instances with either coder. Huffman refinements each
// become a separately terminated arithmetic stream, all sharing one set of
// refinement contexts.
class TInstanceWriter {
 public:
  TInstanceWriter(const TTextOptions& o, int codeLength, TMQEncoder* mq, TTextContexts* ctx, TBitWriter* bits,
                  TMQStats* huffmanGR)
      : o_(o), codeLength_(codeLength), mq_(mq), ctx_(ctx), bits_(bits), huffmanGR_(huffmanGR) {
    if (!o.SymbolCodeLengths.empty()) {
      std::vector<TTestLine> lines;
      for (size_t i = 0; i < o.SymbolCodeLengths.size(); ++i)
        lines.push_back({o.SymbolCodeLengths[i], 0, static_cast<int64_t>(i)});
      idCodes_ = TTestTable(lines);
    }
  }

  void Value(TMQStats TTextContexts::*stats, const TTestTable* table, int32_t v) {
    if (o_.Huffman) table->Encode(*bits_, v);
    else mq_->EncodeInt(ctx_->*stats, v);
  }
  void OOB(TMQStats TTextContexts::*stats, const TTestTable* table) {
    if (o_.Huffman) table->EncodeOOB(*bits_);
    else mq_->EncodeOOB(ctx_->*stats);
  }
  void StripT(int32_t it) {
    if (o_.LogStrips == 0) return;
    if (o_.Huffman) bits_->Put(static_cast<uint32_t>(it), o_.LogStrips);
    else mq_->EncodeInt(ctx_->IAIT, it);
  }
  void Id(uint32_t id) {
    if (!o_.Huffman) mq_->EncodeIAID(ctx_->IAID, codeLength_, id);
    else if (!o_.SymbolCodeLengths.empty()) idCodes_.Encode(*bits_, id);
    else bits_->Put(id, codeLength_);
  }
  void RefineFlag(bool refine) {
    if (!o_.Refine) return;
    if (o_.Huffman) bits_->Put(refine, 1);
    else mq_->EncodeInt(ctx_->IARI, refine);
  }
  void Refinement(const TJBIG2Bitmap& target, const TJBIG2Bitmap& reference, int rdx, int rdy) {
    const int rdw = target.Width() - reference.Width(), rdh = target.Height() - reference.Height();
    Value(&TTextContexts::IARDW, o_.RDW, rdw);
    Value(&TTextContexts::IARDH, o_.RDH, rdh);
    Value(&TTextContexts::IARDX, o_.RDX, rdx);
    Value(&TTextContexts::IARDY, o_.RDY, rdy);
    TRefineOptions ro;
    ro.Template = o_.RefineTemplate;
    std::copy(std::begin(o_.RAT), std::end(o_.RAT), ro.AT);
    ro.DX = (rdw >> 1) + rdx;
    ro.DY = (rdh >> 1) + rdy;
    if (!o_.Huffman) return EncodeRefinement(*mq_, ctx_->GR, target, reference, ro);
    TMQEncoder sub;
    EncodeRefinement(sub, *huffmanGR_, target, reference, ro);
    std::string data = sub.Finish();
    o_.RSIZE->Encode(*bits_, static_cast<int64_t>(data.size()));
    bits_->Align();
    bits_->Bytes() += data;
  }

 private:
  const TTextOptions& o_;
  int codeLength_;
  TMQEncoder* mq_;
  TTextContexts* ctx_;
  TBitWriter* bits_;
  TMQStats* huffmanGR_;
  TTestTable idCodes_;
};

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

void WriteInstances(TInstanceWriter& w, const TTextOptions& o, const std::vector<const TJBIG2Bitmap*>& symbols,
                    const std::vector<TInstance>& instances) {
  using C = TTextContexts;
  const int64_t strips = int64_t{1} << o.LogStrips;
  const bool right = o.RefCorner == 2 || o.RefCorner == 3, bottom = o.RefCorner == 0 || o.RefCorner == 2;
  struct TPlaced {
    const TInstance* In;
    int64_t S, T, EndS;
  };
  // Each instance's S before placement, its T, and where S ends after it.
  std::map<int64_t, std::vector<TPlaced>> byStrip;
  for (const TInstance& in : instances) {
    const TJBIG2Bitmap& bm = in.Refined ? *in.Refined : *symbols.at(in.Id);
    const int64_t w = bm.Width(), h = bm.Height();
    TPlaced p{&in, 0, 0, 0};
    if (!o.Transposed) {
      p.S = in.X;
      p.T = bottom ? in.Y + h - 1 : in.Y;
      p.EndS = in.X + w - 1;
    } else {
      p.S = in.Y;
      p.T = right ? in.X + w - 1 : in.X;
      p.EndS = in.Y + h - 1;
    }
    byStrip[FloorDiv(p.T, strips) * strips].push_back(p);
  }
  // The first STRIPT is minus the first value times SBSTRIPS; it is chosen
  // so that every strip delta is positive, as tables like B.11 require.
  const int64_t firstStrip = byStrip.empty() ? 0 : byStrip.begin()->first / strips;
  const int64_t initial = std::max<int64_t>(1, 1 - firstStrip);
  w.Value(&C::IADT, o.DT, static_cast<int32_t>(initial));
  int64_t stripT = -initial * strips, firstS = 0;
  for (auto& [t, strip] : byStrip) {
    w.Value(&C::IADT, o.DT, static_cast<int32_t>((t - stripT) / strips));
    stripT = t;
    int64_t curS = 0;
    for (size_t i = 0; i < strip.size(); ++i) {
      const TPlaced& p = strip[i];
      if (i == 0) {
        w.Value(&C::IAFS, o.FS, static_cast<int32_t>(p.S - firstS));
        firstS = p.S;
      } else {
        w.Value(&C::IADS, o.DS, static_cast<int32_t>(p.S - curS - o.DSOffset));
      }
      w.StripT(static_cast<int32_t>(p.T - stripT));
      w.Id(p.In->Id);
      w.RefineFlag(p.In->Refined != nullptr);
      if (p.In->Refined) w.Refinement(*p.In->Refined, *symbols.at(p.In->Id), p.In->RDX, p.In->RDY);
      curS = p.EndS;
    }
    w.OOB(&C::IADS, o.DS);  // every strip ends with OOB, the last one too
  }
}

}  // namespace

std::string TextRegionData(const TTextOptions& o, const std::vector<const TJBIG2Bitmap*>& symbols,
                           const std::vector<TInstance>& instances) {
  uint32_t flags = static_cast<uint32_t>(o.Huffman) | o.Refine << 1 | o.LogStrips << 2 | o.RefCorner << 4 |
                   o.Transposed << 6 | (static_cast<uint32_t>(o.DSOffset) & 31) << 10 | o.RefineTemplate << 15;
  std::string s = Number(flags, 2);
  if (o.Huffman) s += Number(o.HuffmanFlags, 2);
  if (o.Refine && o.RefineTemplate == 0)
    for (int v : o.RAT) s += Number(static_cast<uint8_t>(v), 1);
  s += Number(instances.size(), 4);
  const int codeLength = CodeLength(symbols.size());
  if (!o.Huffman) {
    TMQEncoder mq;
    TTextContexts ctx(codeLength);
    TInstanceWriter w(o, codeLength, &mq, &ctx, nullptr, nullptr);
    WriteInstances(w, o, symbols, instances);
    return s + mq.Finish();
  }
  // Symbol ID code lengths: 35 run codes all 6 bits long, then the lengths
  // with runs of equal lengths and of zeros folded into codes 32 to 34.
  TBitWriter bits;
  for (int i = 0; i < 35; ++i) bits.Put(6, 4);
  const std::vector<int>& lengths = o.SymbolCodeLengths;
  for (size_t i = 0; i < lengths.size();) {
    size_t run = 1;
    while (i + run < lengths.size() && lengths[i + run] == lengths[i]) ++run;
    if (lengths[i] == 0 && run >= 11) {
      run = std::min<size_t>(run, 138);
      bits.Put(34, 6);
      bits.Put(run - 11, 7);
    } else if (lengths[i] == 0 && run >= 3) {
      run = std::min<size_t>(run, 10);
      bits.Put(33, 6);
      bits.Put(run - 3, 3);
    } else if (i > 0 && lengths[i] == lengths[i - 1] && run >= 3) {
      run = std::min<size_t>(run, 6);
      bits.Put(32, 6);
      bits.Put(run - 3, 2);
    } else {
      run = 1;
      bits.Put(static_cast<uint32_t>(lengths[i]), 6);
    }
    i += run;
  }
  bits.Align();
  TMQStats gr(size_t{1} << 13);
  TInstanceWriter w(o, codeLength, nullptr, nullptr, &bits, &gr);
  WriteInstances(w, o, symbols, instances);
  return s + bits.Bytes();
}

// --- symbol dictionaries -------------------------------------------------------

std::string SymbolDictionaryData(const TDictionaryOptions& o, const std::vector<const TJBIG2Bitmap*>& inputs,
                                 const std::vector<TNewSymbol>& symbols, const std::vector<bool>& exported) {
  uint32_t flags = static_cast<uint32_t>(o.Huffman) | o.RefAgg << 1 | o.HuffmanFlags | o.Template << 10 |
                   o.RefineTemplate << 12;
  std::string s = Number(flags, 2);
  TGenericOptions go;
  go.Template = o.Template;
  if (o.Template != 0) go.AT[0] = o.Template == 1 ? 3 : 2;  // the nominal place
  if (!o.Huffman) s += GenericATBytes(go);
  if (o.RefAgg && o.RefineTemplate == 0)
    for (int v : o.RAT) s += Number(static_cast<uint8_t>(v), 1);
  size_t exportCount = static_cast<size_t>(std::count(exported.begin(), exported.end(), true));
  s += Number(exportCount, 4) + Number(symbols.size(), 4);

  const int codeLength = CodeLength(inputs.size() + symbols.size());
  TMQEncoder mq;
  TBitWriter bits;
  TMQStats IADH(512), IADW(512), IAEX(512), IAAI(512), GB(size_t{1} << 16);
  TTextContexts text(codeLength);
  auto value = [&](TMQStats& stats, const TTestTable* table, int32_t v) {
    if (o.Huffman) table->Encode(bits, v);
    else mq.EncodeInt(stats, v);
  };
  TTextOptions to;
  to.Huffman = o.Huffman;
  to.Refine = true;
  to.RefineTemplate = o.RefineTemplate;
  std::copy(std::begin(o.RAT), std::end(o.RAT), to.RAT);
  to.FS = &StandardTable(6);
  to.DS = &StandardTable(8);
  to.DT = &StandardTable(11);
  to.RDW = to.RDH = to.RDX = to.RDY = &StandardTable(15);
  to.RSIZE = &StandardTable(1);
  TInstanceWriter instanceWriter(to, codeLength, &mq, &text, &bits, &text.GR);

  std::vector<const TJBIG2Bitmap*> all(inputs);
  int prevHeight = 0;
  for (size_t i = 0; i < symbols.size();) {
    const int height = symbols[i].Bitmap.Height();
    value(IADH, o.DH, height - prevHeight);
    prevHeight = height;
    int prevWidth = 0;
    size_t end = i;
    while (end < symbols.size() && symbols[end].Bitmap.Height() == height) ++end;
    for (size_t k = i; k < end; ++k) {
      const TNewSymbol& sym = symbols[k];
      value(IADW, o.DW, sym.Bitmap.Width() - prevWidth);
      prevWidth = sym.Bitmap.Width();
      if (o.Huffman && !o.RefAgg) continue;
      if (!o.RefAgg) {
        EncodeGeneric(mq, GB, sym.Bitmap, go);
      } else if (sym.Parts.size() == 1) {
        const TInstance& part = sym.Parts[0];
        value(IAAI, o.AggInst, 1);
        if (o.Huffman) bits.Put(part.Id, codeLength);
        else mq.EncodeIAID(text.IAID, codeLength, part.Id);
        value(text.IARDX, &StandardTable(15), part.RDX);
        value(text.IARDY, &StandardTable(15), part.RDY);
        TRefineOptions ro;
        ro.Template = o.RefineTemplate;
        std::copy(std::begin(o.RAT), std::end(o.RAT), ro.AT);
        ro.DX = part.RDX;
        ro.DY = part.RDY;
        if (o.Huffman) {
          TMQEncoder sub;
          EncodeRefinement(sub, text.GR, sym.Bitmap, *all.at(part.Id), ro);
          std::string data = sub.Finish();
          StandardTable(1).Encode(bits, static_cast<int64_t>(data.size()));
          bits.Bytes() += data;
        } else {
          EncodeRefinement(mq, text.GR, sym.Bitmap, *all.at(part.Id), ro);
        }
      } else {
        value(IAAI, o.AggInst, static_cast<int32_t>(sym.Parts.size()));
        WriteInstances(instanceWriter, to, all, sym.Parts);
      }
      all.push_back(&sym.Bitmap);
    }
    if (o.Huffman) o.DW->EncodeOOB(bits);
    else mq.EncodeOOB(IADW);
    if (o.Huffman && !o.RefAgg) {
      // The class's collective bitmap, uncompressed.
      int totalWidth = 0;
      for (size_t k = i; k < end; ++k) totalWidth += symbols[k].Bitmap.Width();
      o.BMSize->Encode(bits, 0);
      bits.Align();
      for (int y = 0; y < height; ++y) {
        for (size_t k = i; k < end; ++k)
          for (int x = 0; x < symbols[k].Bitmap.Width(); ++x) bits.Put(symbols[k].Bitmap.GetPixel(x, y), 1);
        bits.Align();
      }
      for (size_t k = i; k < end; ++k) all.push_back(&symbols[k].Bitmap);
    }
    i = end;
  }
  // Export flags: runs of equal flags, starting with a run of unexported.
  bool current = false;
  for (size_t i = 0; i < exported.size(); current = !current) {
    size_t run = 0;
    while (i + run < exported.size() && exported[i + run] == current) ++run;
    value(IAEX, &StandardTable(1), static_cast<int32_t>(run));
    i += run;
  }
  return s + (o.Huffman ? bits.Bytes() : mq.Finish());
}

// --- patterns and halftones -----------------------------------------------------

std::string PatternDictionaryData(const std::vector<TJBIG2Bitmap>& patterns, int templ) {
  const int w = patterns[0].Width(), h = patterns[0].Height();
  TJBIG2Bitmap collective(static_cast<int64_t>(w) * static_cast<int64_t>(patterns.size()), h);
  for (size_t i = 0; i < patterns.size(); ++i)
    collective.Combine(patterns[i], static_cast<int64_t>(i) * w, 0, TJBIG2CombinationOperator::Or);
  TGenericOptions go;
  go.Template = templ;
  go.AT[0] = -w;
  go.AT[1] = 0;
  TMQEncoder mq;
  TMQStats stats(size_t{1} << 16);
  EncodeGeneric(mq, stats, collective, go);
  return Number(static_cast<uint32_t>(templ) << 1, 1) + Number(w, 1) + Number(h, 1) + Number(patterns.size() - 1, 4) +
         mq.Finish();
}

std::string HalftoneRegionData(const THalftoneOptions& o, const std::vector<std::vector<uint32_t>>& gray,
                               int patternCount, int regionWidth, int regionHeight, int patternWidth,
                               int patternHeight) {
  const int gridHeight = static_cast<int>(gray.size()), gridWidth = static_cast<int>(gray[0].size());
  std::string s = Number(o.Template << 1 | o.EnableSkip << 3 | o.CombinationOperator << 4 | o.DefaultPixel << 7, 1) +
                  Number(gridWidth, 4) + Number(gridHeight, 4) + Number(static_cast<uint32_t>(o.GridX), 4) +
                  Number(static_cast<uint32_t>(o.GridY), 4) + Number(o.StepX, 2) + Number(o.StepY, 2);
  TJBIG2Bitmap skip(gridWidth, gridHeight);
  if (o.EnableSkip)
    for (int m = 0; m < gridHeight; ++m)
      for (int n = 0; n < gridWidth; ++n) {
        int64_t x = (o.GridX + int64_t{m} * o.StepY + int64_t{n} * o.StepX) >> 8;
        int64_t y = (o.GridY + int64_t{m} * o.StepX - int64_t{n} * o.StepY) >> 8;
        if (x + patternWidth <= 0 || x >= regionWidth || y + patternHeight <= 0 || y >= regionHeight)
          skip.SetPixel(n, m, 1);
      }
  const int bitsPerValue = CodeLength(static_cast<size_t>(patternCount));
  TGenericOptions go;
  go.Template = o.Template;
  go.AT[0] = o.Template <= 1 ? 3 : 2;
  go.Skip = o.EnableSkip ? &skip : nullptr;
  TMQEncoder mq;
  TMQStats stats(size_t{1} << 16);
  // Bit planes of the Gray code of each value, most significant first.
  for (int j = bitsPerValue - 1; j >= 0; --j) {
    TJBIG2Bitmap plane(gridWidth, gridHeight);
    for (int m = 0; m < gridHeight; ++m)
      for (int n = 0; n < gridWidth; ++n) {
        uint32_t g = skip.GetPixel(n, m) ? 0 : gray[m][n];
        plane.SetPixel(n, m, static_cast<int>(((g >> j) ^ (g >> (j + 1))) & 1));
      }
    EncodeGeneric(mq, stats, plane, go);
  }
  return s + mq.Finish();
}

// --- peers -----------------------------------------------------------------

bool HaveJbig2dec() { return std::system("jbig2dec --version >/dev/null 2>&1") == 0; }

bool DecodeWithJbig2dec(const std::string& data, const std::string& globals, int& width, int& height,
                        std::vector<uint8_t>& packed, std::string* messages) {
  namespace fs = std::filesystem;
  static int counter = 0;
  fs::path dir = fs::temp_directory_path() / ("jbig2_peer_" + std::to_string(::getpid()) + "_" +
                                              std::to_string(counter++));
  fs::create_directories(dir);
  auto write = [&](const char* name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return (dir / name).string();
  };
  std::string command = "jbig2dec -e -t pbm -o '" + (dir / "out.pbm").string() + "' ";
  if (!globals.empty()) command += "'" + write("globals.jb2", globals) + "' ";
  command += "'" + write("data.jb2", data) + "' 2>'" + (dir / "log.txt").string() + "'";
  bool ok = std::system(command.c_str()) == 0;
  if (messages) {
    std::ifstream log(dir / "log.txt");
    *messages = std::string(std::istreambuf_iterator<char>(log), {});
  }
  std::ifstream pbm(dir / "out.pbm", std::ios::binary);
  std::string magic;
  ok = ok && (pbm >> magic >> width >> height) && magic == "P4";
  if (ok) {
    pbm.get();
    packed.assign(static_cast<size_t>((width + 7) / 8) * static_cast<size_t>(height), 0);
    pbm.read(reinterpret_cast<char*>(packed.data()), static_cast<std::streamsize>(packed.size()));
    ok = static_cast<size_t>(pbm.gcount()) == packed.size();
  }
  fs::remove_all(dir);
  return ok;
}

}  // namespace ostrel::jbig2test
