// Streams made by the test encoder from known bitmaps: each must decode to
// the page it was made from, with our decoder and with jbig2dec.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tests/filters/jbig2/jbig2_test_encoder.h"
#include "pdf/filters/jbig2/jbig2_decoder.h"

namespace ostrel {
namespace {

using namespace jbig2test;

using TBitmap = TJBIG2Bitmap;

// The page a case must decode to, painted here without the decoder's help.
class TExpectedPage {
 public:
  TExpectedPage(int w, int h, bool fill = false) : page_(w, h, fill) {}
  void Paint(const TBitmap& bm, int64_t x, int64_t y, int op = 0) {
    for (int j = 0; j < bm.Height(); ++j)
      for (int i = 0; i < bm.Width(); ++i) {
        int64_t px = x + i, py = y + j;
        if (px < 0 || py < 0 || px >= page_.Width() || py >= page_.Height()) continue;
        int d = page_.GetPixel(static_cast<int>(px), static_cast<int>(py)), s = bm.GetPixel(i, j);
        const int results[5] = {d | s, d & s, d ^ s, 1 - (d ^ s), s};
        page_.SetPixel(static_cast<int>(px), static_cast<int>(py), results[op]);
      }
  }
  const TBitmap& Bitmap() const { return page_; }

 private:
  TBitmap page_;
};

TBitmap Glyph(int w, int h, unsigned seed) {
  // A blob with a solid core and ragged edges, like a scanned character.
  std::mt19937 random(seed);
  TBitmap bm(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
      bool on = edge ? random() % 3 == 0 : random() % 4 != 0;
      if ((x + y + static_cast<int>(seed)) % 5 == 0) on = !on;
      bm.SetPixel(x, y, on);
    }
  return bm;
}

// A changed copy of bm, optionally grown or shrunk, for refinement.
TBitmap Variant(const TBitmap& bm, int dw, int dh, unsigned seed) {
  std::mt19937 random(seed);
  TBitmap out(bm.Width() + dw, bm.Height() + dh);
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x) out.SetPixel(x, y, bm.GetPixel(x, y) ^ (random() % 7 == 0));
  return out;
}

struct TCase {
  std::string Globals;
  std::string Data;
  TBitmap Expected{0, 0};
};

// --- generic regions ----------------------------------------------------------

TCase GenericCase(int templ, bool typical) {
  static const int kAT[4][8] = {{4, -1, -4, -1, 3, -2, -3, -2}, {-4, 0}, {-3, 0}, {-5, 0}};
  TBitmap bm = Glyph(45, 27, 3u + templ);
  for (int y = 5; y < 9; ++y)  // repeated rows for typical prediction
    for (int x = 0; x < bm.Width(); ++x) bm.SetPixel(x, y, bm.GetPixel(x, 4));
  TGenericOptions o;
  o.Template = templ;
  o.TypicalPrediction = typical;
  std::copy(std::begin(kAT[templ]), std::end(kAT[templ]), o.AT);
  TMQEncoder mq;
  TMQStats stats(size_t{1} << 16);
  EncodeGeneric(mq, stats, bm, o);
  std::string region = RegionInfo(45, 27, 7, 3) + Number(templ << 1 | typical << 3, 1) + GenericATBytes(o) + mq.Finish();
  TExpectedPage page(56, 32);
  page.Paint(bm, 7, 3);
  return {"", PageInfo(0, 56, 32) + Segment(1, 38, {}, region), page.Bitmap()};
}

// --- refinement regions --------------------------------------------------------

TCase RefinementCase(int templ, bool typical, bool ofPage, int at) {
  TBitmap reference = Glyph(30, 20, 17);
  TBitmap target = Variant(reference, 0, 0, 23);
  TRefineOptions o;
  o.Template = templ;
  o.TypicalPrediction = typical;
  if (templ == 0) o.AT[0] = -2, o.AT[1] = -1, o.AT[2] = 1, o.AT[3] = 1;
  TMQEncoder gen;
  TMQStats genStats(size_t{1} << 16);
  TGenericOptions go;
  EncodeGeneric(gen, genStats, reference, go);
  std::string generic = Number(0, 1) + GenericATBytes(go) + gen.Finish();
  TMQEncoder mq;
  TMQStats stats(size_t{1} << 13);
  EncodeRefinement(mq, stats, target, reference, o);
  std::string flags = Number(templ | typical << 1, 1);
  if (templ == 0)
    for (int v : o.AT) flags += Number(static_cast<uint8_t>(v), 1);
  std::string data = PageInfo(0, 48, 32);
  TExpectedPage page(48, 32);
  if (ofPage) {
    // The page's own pixels under the region are refined and replaced.
    data += Segment(1, 38, {}, RegionInfo(30, 20, at, at) + generic) +
            Segment(2, 42, {}, RegionInfo(30, 20, at, at, 4) + flags + mq.Finish());
    page.Paint(target, at, at, 4);
  } else {
    // An intermediate region refined into the page.
    data += Segment(1, 36, {}, RegionInfo(30, 20, 0, 0) + generic) +
            Segment(2, 42, {1}, RegionInfo(30, 20, at, at) + flags + mq.Finish());
    page.Paint(target, at, at);
  }
  return {"", data, page.Bitmap()};
}

// --- symbol dictionaries and text regions -------------------------------------

// Symbols in two height classes, widths rising within a class (tables
// like B.2 code no negative width steps).
std::vector<TNewSymbol> BaseSymbols(int count, unsigned seed) {
  std::vector<TNewSymbol> symbols;
  for (int i = 0; i < count; ++i) {
    const bool tall = i >= count / 2;
    const int inClass = tall ? i - count / 2 : i;
    symbols.push_back({Glyph(5 + inClass / 2, tall ? 13 : 9, seed + static_cast<unsigned>(i)), {}});
  }
  return symbols;
}

std::vector<const TBitmap*> Pointers(const std::vector<TNewSymbol>& symbols) {
  std::vector<const TBitmap*> p;
  for (const auto& s : symbols) p.push_back(&s.Bitmap);
  return p;
}

struct TTextCase {
  TTextOptions Options;
  bool RefineSome = false;
};

// Instances scattered over a 64 x 48 page (some partly outside), with every
// third one refined when asked; refinements live in `refined`.
std::vector<TInstance> Scatter(const std::vector<const TBitmap*>& symbols, const std::vector<uint32_t>& ids,
                               bool refine, std::vector<TBitmap>& refined, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<TInstance> instances;
  refined.reserve(ids.size());
  for (size_t i = 0; i < ids.size(); ++i) {
    TInstance in;
    in.Id = ids[i];
    in.X = static_cast<int>(random() % 68) - 4;
    in.Y = static_cast<int>(random() % 52) - 4;
    if (refine && i % 3 == 1) {
      int dw = static_cast<int>(random() % 5) - 2, dh = static_cast<int>(random() % 3) - 1;
      refined.push_back(Variant(*symbols[in.Id], dw, dh, seed + static_cast<unsigned>(i)));
      in.Refined = &refined.back();
      in.RDX = static_cast<int>(random() % 3) - 1;
      in.RDY = static_cast<int>(random() % 3) - 1;
    }
    instances.push_back(in);
  }
  return instances;
}

TCase TextCase(const TTextCase& c, const std::vector<uint32_t>& ids, int symbolCount,
               const std::vector<std::pair<std::string, uint32_t>>& tables = {}) {
  std::vector<TNewSymbol> symbols = BaseSymbols(symbolCount, 41);
  TDictionaryOptions d;
  d.Template = 1;
  std::string globals =
      Segment(0, 0, {}, SymbolDictionaryData(d, {}, symbols, std::vector<bool>(symbols.size(), true)));
  std::vector<const TBitmap*> pointers = Pointers(symbols);
  std::vector<TBitmap> refined;
  std::vector<TInstance> instances = Scatter(pointers, ids, c.RefineSome, refined, 7);
  std::vector<uint32_t> refs = {0};
  std::string data = PageInfo(1, 64, 48);
  for (const auto& [tableData, number] : tables) {
    data += Segment(number, 53, {}, tableData);
    refs.push_back(number);
  }
  data += Segment(9, 6, refs, RegionInfo(64, 48, 0, 0) + TextRegionData(c.Options, pointers, instances));
  TExpectedPage page(64, 48);
  for (const TInstance& in : instances) page.Paint(in.Refined ? *in.Refined : *pointers[in.Id], in.X, in.Y);
  return {globals, data, page.Bitmap()};
}

std::vector<uint32_t> SomeIds(int count, int symbols, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint32_t> ids;
  for (int i = 0; i < count; ++i) ids.push_back(static_cast<uint32_t>(random() % static_cast<unsigned>(symbols)));
  return ids;
}

struct TTextVariant {
  int Corner;
  bool Transposed;
  int LogStrips, DSOffset;
  bool Refine;
};
constexpr TTextVariant kTextVariants[] = {{1, false, 0, 0, false}, {0, false, 1, 2, false}, {2, false, 2, -3, true},
                                          {3, false, 3, 0, true},  {1, true, 0, 0, false},  {0, true, 2, 1, true},
                                          {2, true, 1, -1, false}, {3, true, 3, 5, true}};

std::string TextVariantName(const TTextVariant& v) {
  return "ArithmeticTextCorner" + std::to_string(v.Corner) + (v.Transposed ? "Transposed" : "") + "Strips" +
         std::to_string(1 << v.LogStrips) + (v.Refine ? "Refined" : "");
}

TCase ArithmeticTextCase(const TTextVariant& v) {
  TTextCase c;
  c.Options.RefCorner = v.Corner;
  c.Options.Transposed = v.Transposed;
  c.Options.LogStrips = v.LogStrips;
  c.Options.DSOffset = v.DSOffset;
  c.Options.Refine = v.Refine;
  c.Options.RefineTemplate = v.Corner % 2;
  c.Options.RAT[0] = -1, c.Options.RAT[1] = -1, c.Options.RAT[2] = 0, c.Options.RAT[3] = -1;
  c.RefineSome = v.Refine;
  return TextCase(c, SomeIds(20, 12, static_cast<unsigned>(v.Corner * 2 + v.Transposed)), 12);
}

// Huffman text regions over 21 symbols of which six are used: the code
// lengths use every run code (repeats, short and long zero runs).
const std::vector<int> kSymbolCodeLengths = {0, 0, 0, 3, 3, 3, 3, 0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const std::vector<uint32_t> kUsedIds = {3, 8, 4, 9, 5, 6, 8, 8, 3, 9, 4, 5, 6, 9, 3, 8, 4};

TCase HuffmanTextCase(bool refine, int rdTable, int refineTemplate) {
  TTextCase c;
  TTextOptions& o = c.Options;
  o.Huffman = true;
  o.Refine = refine;
  o.LogStrips = 1;
  o.RefCorner = 0;
  o.RefineTemplate = refineTemplate;
  o.FS = &StandardTable(6);
  o.DS = &StandardTable(8);
  o.DT = &StandardTable(11);
  o.RDW = o.RDH = o.RDX = o.RDY = &StandardTable(rdTable);
  o.RSIZE = &StandardTable(1);
  const uint32_t rd = rdTable == 14 ? 0 : 1;
  o.HuffmanFlags = rd << 6 | rd << 8 | rd << 10 | rd << 12;
  o.SymbolCodeLengths = kSymbolCodeLengths;
  c.RefineSome = refine;
  return TextCase(c, kUsedIds, 21);
}

// Custom tables, each carried by a tables segment that the region refers to.
TCustomTable CustomFS() {
  return {false, 3, 4, -100, 100, {{2, 6}, {2, 6}, {2, 6}, {3, 4}}, 4, 4, 0};
}
TCustomTable CustomDS() { return {true, 3, 3, -8, 24, {{3, 3}, {1, 3}, {3, 4}}, 5, 5, 3}; }
TCustomTable CustomDT() { return {false, 4, 5, 0, 16, {{1, 2}, {2, 2}, {3, 3}}, 4, 4, 0}; }
TCustomTable CustomRDX() { return {false, 3, 2, -4, 4, {{3, 1}, {2, 1}, {1, 1}, {4, 1}}, 5, 5, 0}; }
TCustomTable CustomRSize() { return {false, 3, 4, 0, 1024, {{1, 7}, {2, 9}, {3, 9}}, 4, 4, 0}; }

TCase CustomTableTextCase(bool refine) {
  TTextCase c;
  static const TTestTable fs = CustomFS().Table(), ds = CustomDS().Table(), dt = CustomDT().Table(),
                          rdx = CustomRDX().Table(), rsize = CustomRSize().Table();
  TTextOptions& o = c.Options;
  o.Huffman = true;
  o.Refine = refine;
  o.RefineTemplate = 1;
  o.LogStrips = 2;
  o.FS = &fs;
  o.DS = &ds;
  o.DT = &dt;
  o.SymbolCodeLengths = kSymbolCodeLengths;
  // FS, DS and DT user-supplied; with refinement RDW, RDH and RDY B.15, RDX
  // and RSIZE user-supplied too.
  o.HuffmanFlags = 3 | 3 << 2 | 3 << 4;
  std::vector<std::pair<std::string, uint32_t>> tables = {
      {CustomFS().SegmentData(), 2}, {CustomDS().SegmentData(), 3}, {CustomDT().SegmentData(), 4}};
  if (refine) {
    o.RDW = o.RDH = o.RDY = &StandardTable(15);
    o.RDX = &rdx;
    o.RSIZE = &rsize;
    o.HuffmanFlags |= 1 << 6 | 1 << 8 | 3 << 10 | 1 << 12 | 1 << 14;
    // Five tables and the dictionary: the long form of the referred-to list.
    tables.push_back({CustomRDX().SegmentData(), 5});
    tables.push_back({CustomRSize().SegmentData(), 6});
  }
  c.RefineSome = refine;
  return TextCase(c, kUsedIds, 21, tables);
}

// A dictionary built on an earlier one: new symbols refined from input or
// new symbols, and aggregates of several, then a text region showing the
// exported ones side by side.
TCase AggregateCase(bool huffman, bool customTables, int refineTemplate) {
  std::vector<TNewSymbol> base = BaseSymbols(4, 91);
  TDictionaryOptions baseOptions;
  baseOptions.Template = 2;
  std::string globals = Segment(0, 0, {}, SymbolDictionaryData(baseOptions, {}, base, {true, true, true, true}));
  std::vector<const TBitmap*> inputs = Pointers(base);

  std::vector<TNewSymbol> symbols;
  // Height 9: a refinement of input 1 and a refinement of that new symbol.
  symbols.push_back({Variant(base[1].Bitmap, 0, 0, 5), {{1, 0, 0, nullptr, 0, 0}}});
  symbols.push_back({Variant(symbols[0].Bitmap, 0, 0, 6), {{4, 0, 0, nullptr, 1, -1}}});
  // Height 15: aggregates of inputs and new symbols, one part refined.
  auto aggregate = [&](int w, std::vector<TInstance> parts) {
    std::vector<const TBitmap*> all = inputs;
    for (const auto& s : symbols) all.push_back(&s.Bitmap);
    TExpectedPage bm(w, 15);
    for (const TInstance& p : parts) bm.Paint(p.Refined ? *p.Refined : *all[p.Id], p.X, p.Y);
    symbols.push_back({bm.Bitmap(), parts});
  };
  static const TBitmap refinedPart = Variant(base[2].Bitmap, 1, 0, 8);
  aggregate(16, {{0, 0, 0}, {2, 8, 2}});
  aggregate(21, {{4, 0, 1}, {3, 7, 0}, {2, 13, 5, &refinedPart, 0, 1}});
  // Symbols within a class come in the order they are coded; heights rise.
  std::vector<bool> exported = {false, true, false, true, true, true, true, false};

  TDictionaryOptions o;
  o.Huffman = huffman;
  o.RefAgg = true;
  o.Template = 1;
  o.RefineTemplate = refineTemplate;
  o.RAT[0] = -1, o.RAT[1] = -1, o.RAT[2] = 0, o.RAT[3] = -1;
  static const TCustomTable dh{false, 3, 3, 0, 8, {{1, 2}, {2, 2}}, 3, 3, 0};
  static const TCustomTable dw{true, 3, 3, -4, 28, {{4, 2}, {1, 3}, {2, 3}, {4, 4}}, 0, 0, 3};
  static const TCustomTable agg{false, 3, 3, 1, 9, {{1, 3}}, 2, 2, 0};
  static const TTestTable dhTable = dh.Table(), dwTable = dw.Table(), aggTable = agg.Table();
  std::string tables;
  std::vector<uint32_t> refs = {0};
  if (customTables) {
    o.DH = &dhTable;
    o.DW = &dwTable;
    o.AggInst = &aggTable;
    o.HuffmanFlags = 3 << 2 | 3 << 4 | 1 << 7;
    tables = Segment(2, 53, {}, dh.SegmentData()) + Segment(3, 53, {}, dw.SegmentData()) +
             Segment(4, 53, {}, agg.SegmentData());
    refs = {0, 2, 3, 4};
  } else {
    o.DH = &StandardTable(4);
    o.DW = &StandardTable(2);
    o.BMSize = o.AggInst = &StandardTable(1);
  }
  std::string dictionary = Segment(5, 0, refs, SymbolDictionaryData(o, inputs, symbols, exported));

  std::vector<const TBitmap*> all = inputs;
  for (const auto& s : symbols) all.push_back(&s.Bitmap);
  std::vector<const TBitmap*> exportedSymbols;
  for (size_t i = 0; i < all.size(); ++i)
    if (exported[i]) exportedSymbols.push_back(all[i]);
  std::vector<TInstance> instances;
  TExpectedPage page(64, 48);
  int x = 1;
  for (uint32_t id = 0; id < exportedSymbols.size(); ++id) {
    instances.push_back({id, x, 2 + 3 * static_cast<int>(id)});
    page.Paint(*exportedSymbols[id], x, 2 + 3 * static_cast<int>(id));
    x += exportedSymbols[id]->Width() - 2;
  }
  TTextOptions to;
  std::string data = PageInfo(1, 64, 48) + tables + dictionary +
                     Segment(6, 6, {5}, RegionInfo(64, 48, 0, 0) + TextRegionData(to, exportedSymbols, instances));
  return {globals, data, page.Bitmap()};
}

// A Huffman dictionary coding its symbols as uncompressed collective
// bitmaps, with custom height, width and bitmap size tables.
TCase HuffmanDictionaryCase(bool customTables) {
  std::vector<TNewSymbol> symbols = BaseSymbols(6, 120);
  TDictionaryOptions o;
  o.Huffman = true;
  static const TCustomTable dh{false, 2, 3, -8, 16, {{2, 3}, {1, 4}}, 3, 3, 0};
  static const TCustomTable dw{true, 3, 3, -16, 16, {{3, 3}, {2, 3}, {2, 3}, {4, 3}}, 4, 4, 3};
  static const TCustomTable size{false, 2, 3, 0, 8, {{1, 3}}, 2, 2, 0};
  static const TTestTable dhTable = dh.Table(), dwTable = dw.Table(), sizeTable = size.Table();
  std::string data = PageInfo(1, 64, 48);
  std::vector<uint32_t> refs;
  if (customTables) {
    o.DH = &dhTable;
    o.DW = &dwTable;
    o.BMSize = &sizeTable;
    o.HuffmanFlags = 3 << 2 | 3 << 4 | 1 << 6;
    data += Segment(2, 53, {}, dh.SegmentData()) + Segment(3, 53, {}, dw.SegmentData()) +
            Segment(4, 53, {}, size.SegmentData());
    refs = {2, 3, 4};
  } else {
    o.DH = &StandardTable(4);
    o.DW = &StandardTable(2);
    o.BMSize = &StandardTable(1);
  }
  std::vector<bool> exported = {true, false, true, true, false, true};
  data += Segment(5, 0, refs, SymbolDictionaryData(o, {}, symbols, exported));
  std::vector<const TBitmap*> shown;
  for (size_t i = 0; i < symbols.size(); ++i)
    if (exported[i]) shown.push_back(&symbols[i].Bitmap);
  std::vector<TInstance> instances;
  TExpectedPage page(64, 48);
  for (uint32_t id = 0; id < shown.size(); ++id) {
    instances.push_back({id, 3 + 10 * static_cast<int>(id), 20});
    page.Paint(*shown[id], 3 + 10 * static_cast<int>(id), 20);
  }
  data += Segment(6, 6, {5}, RegionInfo(64, 48, 0, 0) + TextRegionData(TTextOptions(), shown, instances));
  return {"", data, page.Bitmap()};
}

// --- patterns and halftones ---------------------------------------------------

TCase HalftoneCase(int templ, bool skip, int op, bool defaultPixel, bool rotated) {
  const int pw = 4, ph = 4, count = 16;
  std::vector<TBitmap> patterns;
  for (int g = 0; g < count; ++g) {
    TBitmap p(pw, ph);
    for (int i = 0; i < g; ++i) p.SetPixel((i * 5) % 4, (i * 5 / 4 + i) % 4, 1);
    patterns.push_back(p);
  }
  std::mt19937 random(static_cast<unsigned>(templ * 10 + op));
  std::vector<std::vector<uint32_t>> gray(9, std::vector<uint32_t>(12));
  for (auto& row : gray)
    for (auto& g : row) g = static_cast<uint32_t>(random() % count);
  THalftoneOptions o;
  o.Template = templ;
  o.EnableSkip = skip;
  o.CombinationOperator = op;
  o.DefaultPixel = defaultPixel;
  o.GridX = -6 * 256;
  o.GridY = 2 * 256 + 128;
  o.StepX = rotated ? 4 * 256 - 40 : 4 * 256;
  o.StepY = rotated ? 200 : 0;
  const int rw = 40, rh = 30;
  std::string data = PageInfo(1, 48, 36) + Segment(2, 16, {}, PatternDictionaryData(patterns, templ)) +
                     Segment(3, 22, {2}, RegionInfo(rw, rh, 5, 3) +
                                             HalftoneRegionData(o, gray, count, rw, rh, pw, ph));
  TExpectedPage region(rw, rh, defaultPixel);
  for (int m = 0; m < 9; ++m)
    for (int n = 0; n < 12; ++n) {
      int64_t x = (o.GridX + int64_t{m} * o.StepY + int64_t{n} * o.StepX) >> 8;
      int64_t y = (o.GridY + int64_t{m} * o.StepX - int64_t{n} * o.StepY) >> 8;
      bool outside = x + pw <= 0 || x >= rw || y + ph <= 0 || y >= rh;
      region.Paint(patterns[skip && outside ? 0 : gray[m][n]], x, y, op);
    }
  TExpectedPage page(48, 36);
  page.Paint(region.Bitmap(), 5, 3);
  return {"", data, page.Bitmap()};
}

struct TCaseMaker {
  TCaseMaker(std::string name, std::function<TCase()> make, std::string peerDiffers = {})
      : Name(std::move(name)), Make(std::move(make)), PeerDiffers(std::move(peerDiffers)) {}
  std::string Name;
  std::function<TCase()> Make;
  // Why jbig2dec 0.19 cannot be compared on this case; empty when it can.
  std::string PeerDiffers;
};

const char kNoIntermediateRegions[] = "jbig2dec does not decode intermediate generic regions";
const char kPageRefinedFromOrigin[] = "jbig2dec refines the page from its origin, not from the region's place";
const char kNoDefaultPixel[] = "jbig2dec does not fill halftone regions with HDEFPIXEL";
const char kNoHuffmanRefinementAT[] = "jbig2dec skips the refinement AT bytes of Huffman text regions";
const char kNoHuffmanRefinement[] = "jbig2dec decodes refinements in Huffman text regions differently";
const char kNoAggregateRefinementAT[] = "jbig2dec does not hand the refinement AT pixels to aggregate symbols";
const char kHuffmanAggregateIds[] = "jbig2dec expects a symbol ID code table in Huffman aggregates, not fixed-length IDs";

std::vector<TCaseMaker> AllCases() {
  std::vector<TCaseMaker> cases;
  for (int t = 0; t < 4; ++t)
    for (bool typical : {false, true})
      cases.push_back({"GenericTemplate" + std::to_string(t) + (typical ? "Typical" : ""),
                       [=] { return GenericCase(t, typical); }});
  for (int t = 0; t < 2; ++t)
    for (bool typical : {false, true}) {
      std::string name = "Template" + std::to_string(t) + (typical ? "Typical" : "");
      cases.push_back({"RefinementOfPage" + name, [=] { return RefinementCase(t, typical, true, 0); }});
      cases.push_back({"RefinementOfRegion" + name, [=] { return RefinementCase(t, typical, false, 9); },
                       kNoIntermediateRegions});
    }
  cases.push_back({"RefinementOfPageAway", [] { return RefinementCase(0, true, true, 9); }, kPageRefinedFromOrigin});
  for (size_t i = 0; i < std::size(kTextVariants); ++i)
    cases.push_back({TextVariantName(kTextVariants[i]), [=] { return ArithmeticTextCase(kTextVariants[i]); }});
  cases.push_back({"HuffmanText", [] { return HuffmanTextCase(false, 15, 1); }});
  cases.push_back({"HuffmanTextRefinedB14", [] { return HuffmanTextCase(true, 14, 1); }, kNoHuffmanRefinement});
  cases.push_back({"HuffmanTextRefinedB15", [] { return HuffmanTextCase(true, 15, 1); }, kNoHuffmanRefinement});
  cases.push_back({"HuffmanTextRefinedTemplate0", [] { return HuffmanTextCase(true, 15, 0); }, kNoHuffmanRefinementAT});
  cases.push_back({"HuffmanTextCustomTables", [] { return CustomTableTextCase(false); }});
  cases.push_back({"HuffmanTextCustomTablesRefined", [] { return CustomTableTextCase(true); }, kNoHuffmanRefinement});
  cases.push_back({"ArithmeticAggregation", [] { return AggregateCase(false, false, 1); }});
  cases.push_back({"ArithmeticAggregationTemplate0", [] { return AggregateCase(false, false, 0); },
                   kNoAggregateRefinementAT});
  cases.push_back({"HuffmanAggregation", [] { return AggregateCase(true, false, 1); }, kHuffmanAggregateIds});
  cases.push_back({"HuffmanAggregationCustomTables", [] { return AggregateCase(true, true, 0); }, kHuffmanAggregateIds});
  cases.push_back({"HuffmanDictionary", [] { return HuffmanDictionaryCase(false); }});
  cases.push_back({"HuffmanDictionaryCustomTables", [] { return HuffmanDictionaryCase(true); }});
  cases.push_back({"HalftoneTemplate0", [] { return HalftoneCase(0, false, 0, false, false); }});
  cases.push_back({"HalftoneTemplate1SkipXorRotated", [] { return HalftoneCase(1, true, 2, false, true); }});
  cases.push_back({"HalftoneTemplate2SkipReplaceRotated", [] { return HalftoneCase(2, true, 4, false, true); }});
  cases.push_back({"HalftoneTemplate3Xnor", [] { return HalftoneCase(3, false, 3, false, false); }});
  cases.push_back({"HalftoneTemplate1SkipXorBlack", [] { return HalftoneCase(1, true, 2, true, true); }, kNoDefaultPixel});
  cases.push_back({"HalftoneTemplate3XnorBlack", [] { return HalftoneCase(3, false, 3, true, false); }, kNoDefaultPixel});
  return cases;
}

const std::vector<TCaseMaker>& Cases() {
  static const std::vector<TCaseMaker> cases = AllCases();
  return cases;
}

std::string Picture(const std::vector<uint8_t>& packed, int width, int height) {
  std::string s;
  const size_t stride = (static_cast<size_t>(width) + 7) / 8;
  for (int y = 0; y < height; ++y, s += '\n')
    for (int x = 0; x < width; ++x) s += (packed[y * stride + x / 8] >> (7 - x % 8) & 1) ? '#' : '.';
  return s;
}

class JBIG2RoundTrip : public testing::TestWithParam<size_t> {
 protected:
  TCase Case() const { return Cases()[GetParam()].Make(); }
};

TEST_P(JBIG2RoundTrip, DecodesToTheEncodedPage) {
  const TCase c = Case();
  TOSLJBIG2Decoder decoder;
  ASSERT_TRUE(decoder.Decode(c.Data, c.Globals)) << decoder.LastError();
  ASSERT_EQ(decoder.Width(), c.Expected.Width());
  ASSERT_EQ(decoder.Height(), c.Expected.Height());
  EXPECT_EQ(Picture(decoder.Packed(), decoder.Width(), decoder.Height()),
            Picture(c.Expected.Data(), c.Expected.Width(), c.Expected.Height()));
}

TEST_P(JBIG2RoundTrip, Jbig2decDecodesTheSamePage) {
  if (!HaveJbig2dec()) GTEST_SKIP() << "jbig2dec is not installed";
  if (!Cases()[GetParam()].PeerDiffers.empty()) GTEST_SKIP() << Cases()[GetParam()].PeerDiffers;
  const TCase c = Case();
  int width = 0, height = 0;
  std::vector<uint8_t> packed;
  std::string messages;
  ASSERT_TRUE(DecodeWithJbig2dec(c.Data, c.Globals, width, height, packed, &messages)) << messages;
  EXPECT_EQ(messages.find("WARNING"), std::string::npos) << messages;
  ASSERT_EQ(width, c.Expected.Width());
  ASSERT_EQ(height, c.Expected.Height());
  EXPECT_EQ(Picture(packed, width, height), Picture(c.Expected.Data(), c.Expected.Width(), c.Expected.Height()));
}

INSTANTIATE_TEST_SUITE_P(Streams, JBIG2RoundTrip, testing::Range(size_t{0}, Cases().size()),
                         [](const testing::TestParamInfo<size_t>& info) { return Cases()[info.param].Name; });

}  // namespace
}  // namespace ostrel
