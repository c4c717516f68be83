#pragma once
// A small JBIG2 encoder for tests: the MQ coder, Huffman coding with
// standard and custom tables, and writers for the segments the decoder
// reads. It is written from the coding procedures, independently of the
// decoder, so that a round trip (and a comparison with jbig2dec) checks both.
#include <cstdint>
#include <string>
#include <vector>

#include "pdf/filters/jbig2/jbig2_bitmap.h"

namespace ostrel::jbig2test {

// --- byte helpers and segment framing -------------------------------------

std::string Number(uint64_t v, int bytes);
// A segment header (one-byte page association, short referred-to form when
// there are at most four references) followed by its data.
std::string Segment(uint32_t number, int type, const std::vector<uint32_t>& refs, const std::string& data,
                    uint32_t page = 1);
std::string PageInfo(uint32_t number, uint32_t width, uint32_t height, int flags = 0, int striping = 0);
std::string RegionInfo(uint32_t w, uint32_t h, int32_t x, int32_t y, int op = 0);

// --- MQ coder --------------------------------------------------------------

struct TMQStats {
  explicit TMQStats(size_t contexts) : Index(contexts, 0), Mps(contexts, 0) {}
  std::vector<uint8_t> Index, Mps;
};

class TMQEncoder {
 public:
  void Encode(TMQStats& stats, size_t cx, int d);
  // The IAx procedure; EncodeOOB writes the out-of-band value.
  void EncodeInt(TMQStats& stats, int32_t v);
  void EncodeOOB(TMQStats& stats);
  void EncodeIAID(TMQStats& stats, int codeLength, uint32_t id);
  // Flushes and appends the FF AC marker.
  std::string Finish();

 private:
  void EncodeIntBits(TMQStats& stats, int sign, uint32_t magnitude);
  void ByteOut();
  void Put(uint32_t byte, uint32_t mask, int ct);
  uint32_t a_ = 0x8000, c_ = 0;
  int ct_ = 12;
  std::string out_ = std::string(1, '\0');
};

// --- Huffman coding ----------------------------------------------------------

class TBitWriter {
 public:
  void Put(uint64_t value, int bits);
  void Align();
  std::string& Bytes() {
    Align();
    return out_;
  }

 private:
  std::string out_;
  int used_ = 8;  // bits used in the last byte
};

struct TTestLine {
  int PrefixLength;
  int RangeLength;
  int64_t RangeLow;
  enum TKind { Normal, Lower, Upper, OutOfBand } Kind = Normal;
};

class TTestTable {
 public:
  TTestTable() = default;
  explicit TTestTable(std::vector<TTestLine> lines);
  void Encode(TBitWriter& out, int64_t value) const;
  void EncodeOOB(TBitWriter& out) const;

 private:
  void PutCode(TBitWriter& out, size_t line) const;
  std::vector<TTestLine> lines_;
  std::vector<uint32_t> codes_;
};

// B.1, B.2, B.4, B.6, B.8, B.11, B.14 and B.15.
const TTestTable& StandardTable(int n);

// A custom table as a tables segment describes it, with the segment data
// that carries it.
struct TCustomTable {
  bool HasOOB = false;
  int PrefixBits = 4, RangeBits = 4;
  int32_t Low = 0, High = 0;
  std::vector<std::pair<int, int>> Lines;  // prefix and range length per line
  int LowerPrefix = 0, UpperPrefix = 0, OOBPrefix = 0;
  TTestTable Table() const;
  std::string SegmentData() const;
};

// --- regions -----------------------------------------------------------------

struct TGenericOptions {
  int Template = 0;
  bool TypicalPrediction = false;
  int AT[8] = {3, -1, -3, -1, 2, -2, -2, -2};  // x, y pairs
  const TJBIG2Bitmap* Skip = nullptr;
};
void EncodeGeneric(TMQEncoder& enc, TMQStats& stats, const TJBIG2Bitmap& bm, const TGenericOptions& o);
// The AT bytes a generic region segment or symbol dictionary carries.
std::string GenericATBytes(const TGenericOptions& o);

struct TRefineOptions {
  int Template = 0;
  bool TypicalPrediction = false;
  int AT[4] = {-1, -1, -1, -1};
  int DX = 0, DY = 0;  // the reference's offset in the region
};
void EncodeRefinement(TMQEncoder& enc, TMQStats& stats, const TJBIG2Bitmap& target,
                      const TJBIG2Bitmap& reference, const TRefineOptions& o);

// One symbol placed in a text region: the symbol's index, the top-left
// corner where it lands and, when refined, the bitmap it is refined into
// with the refinement offsets.
struct TInstance {
  uint32_t Id = 0;
  int X = 0, Y = 0;
  const TJBIG2Bitmap* Refined = nullptr;
  int RDX = 0, RDY = 0;
};

struct TTextOptions {
  bool Huffman = false;
  bool Refine = false;
  int LogStrips = 0;
  int RefCorner = 1;
  bool Transposed = false;
  int DSOffset = 0;
  int RefineTemplate = 0;
  int RAT[4] = {-1, -1, -1, -1};
  // Huffman: the tables each field is coded with and the flags word naming
  // them; symbol ID code lengths (0 for symbols never used).
  const TTestTable *FS = nullptr, *DS = nullptr, *DT = nullptr, *RDW = nullptr, *RDH = nullptr,
                   *RDX = nullptr, *RDY = nullptr, *RSIZE = nullptr;
  uint32_t HuffmanFlags = 0;
  std::vector<int> SymbolCodeLengths;
};

// The text region segment data after the region information.
std::string TextRegionData(const TTextOptions& o, const std::vector<const TJBIG2Bitmap*>& symbols,
                           const std::vector<TInstance>& instances);

// A new symbol of a dictionary: coded directly, as a refinement of one
// earlier symbol, or as an aggregate of several.
struct TNewSymbol {
  TJBIG2Bitmap Bitmap{0, 0};
  std::vector<TInstance> Parts;  // empty: coded directly
};

struct TDictionaryOptions {
  bool Huffman = false;
  bool RefAgg = false;
  int Template = 0;
  int RefineTemplate = 0;
  int RAT[4] = {-1, -1, -1, -1};
  // Huffman tables for heights, widths, collective bitmap sizes and
  // aggregate instance counts, with the flag bits naming them.
  const TTestTable *DH = nullptr, *DW = nullptr, *BMSize = nullptr, *AggInst = nullptr;
  uint32_t HuffmanFlags = 0;
};

// The symbol dictionary segment data. Symbols within a height class must be
// listed together; exported lists, for input and new symbols together, which
// ones are exported.
std::string SymbolDictionaryData(const TDictionaryOptions& o, const std::vector<const TJBIG2Bitmap*>& inputs,
                                 const std::vector<TNewSymbol>& symbols, const std::vector<bool>& exported);

// A pattern dictionary of equal-sized patterns, arithmetic-coded.
std::string PatternDictionaryData(const std::vector<TJBIG2Bitmap>& patterns, int templ);

struct THalftoneOptions {
  int Template = 0;
  bool EnableSkip = false;
  int CombinationOperator = 0;
  bool DefaultPixel = false;
  int32_t GridX = 0, GridY = 0;  // in 1/256 pixel
  uint16_t StepX = 0, StepY = 0;
};
// The halftone region data after the region information; gray values are
// rows of the grid.
std::string HalftoneRegionData(const THalftoneOptions& o, const std::vector<std::vector<uint32_t>>& gray,
                               int patternCount, int regionWidth, int regionHeight, int patternWidth,
                               int patternHeight);

// --- peers -----------------------------------------------------------------

// Decodes an embedded stream (with globals when not empty) with jbig2dec into
// packed rows; false when jbig2dec is missing or fails.
bool HaveJbig2dec();
bool DecodeWithJbig2dec(const std::string& data, const std::string& globals, int& width, int& height,
                        std::vector<uint8_t>& packed, std::string* messages = nullptr);

}  // namespace ostrel::jbig2test
