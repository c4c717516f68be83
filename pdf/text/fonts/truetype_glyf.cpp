// Glyph outlines of the glyf table: simple glyphs with their points and
// composite glyphs with their component transforms.
#include <algorithm>

#include "pdf/text/fonts/font_program_bytes.h"
#include "pdf/text/fonts/truetype_parser.h"

namespace ostrel {
namespace {

enum : uint8_t {
  kOnCurve = 0x01,
  kXShort = 0x02,
  kYShort = 0x04,
  kRepeat = 0x08,
  kXSame = 0x10,
  kYSame = 0x20,
};

enum : uint16_t {
  kArgsAreWords = 0x0001,
  kHaveScale = 0x0008,
  kMoreComponents = 0x0020,
  kHaveXYScale = 0x0040,
  kHaveTwoByTwo = 0x0080,
};

// Composite records are at least six bytes; far more than any real glyph.
constexpr size_t kMaxComponents = 1024;

void ReadCoordinates(TFontByteReader& r, TPDFTTglyfTable& g, bool isX) {
  const uint8_t shortBit = isX ? kXShort : kYShort;
  const uint8_t sameBit = isX ? kXSame : kYSame;
  int32_t value = 0;
  for (size_t i = 0; i < g.Flags.size(); ++i) {
    uint8_t f = g.Flags[i];
    if (f & shortBit) {
      int32_t d = r.U8();
      value += (f & sameBit) ? d : -d;
    } else if (!(f & sameBit)) {
      value += r.S16();
    }
    (isX ? g.Points[i].first : g.Points[i].second) = value;
  }
}

void ReadSimple(TFontByteReader& r, TPDFTTglyfTable& g) {
  g.EndPoints.resize(size_t(g.NumberOfContours));
  for (auto& e : g.EndPoints) e = r.U16();
  if (r.Overrun()) {
    g.NumberOfContours = 0;
    g.EndPoints.clear();
    return;
  }
  // End points must grow; the last one sets the point count (at most 65536).
  for (size_t i = 1; i < g.EndPoints.size(); ++i)
    if (g.EndPoints[i] < g.EndPoints[i - 1]) g.EndPoints[i] = g.EndPoints[i - 1];
  size_t pointCount = size_t(g.EndPoints.back()) + 1;
  r.Skip(r.U16());  // instructions
  g.Flags.reserve(std::min(pointCount, r.Remaining()));
  while (g.Flags.size() < pointCount && !r.Overrun()) {
    uint8_t f = r.U8();
    g.Flags.push_back(f);
    if (f & kRepeat) {
      for (int n = r.U8(); n > 0 && g.Flags.size() < pointCount; --n) g.Flags.push_back(f);
    }
  }
  if (r.Overrun()) {
    // A glyph cut short is drawn as nothing rather than as garbage.
    g = TPDFTTglyfTable{};
    return;
  }
  g.Points.assign(pointCount, {0, 0});
  ReadCoordinates(r, g, true);
  ReadCoordinates(r, g, false);
  if (r.Overrun()) g = TPDFTTglyfTable{};
}

void ReadComposite(TFontByteReader& r, TPDFTTglyfTable& g) {
  uint16_t flags = 0;
  do {
    TPDFTTComponent c;
    flags = r.U16();
    c.Flags = flags;
    c.GlyphIndex = r.U16();
    if (flags & kArgsAreWords) {
      c.Argument1 = r.S16();
      c.Argument2 = r.S16();
    } else {
      c.Argument1 = static_cast<int8_t>(r.U8());
      c.Argument2 = static_cast<int8_t>(r.U8());
    }
    if (flags & kHaveScale) {
      c.XScale = c.YScale = r.F2Dot14();
    } else if (flags & kHaveXYScale) {
      c.XScale = r.F2Dot14();
      c.YScale = r.F2Dot14();
    } else if (flags & kHaveTwoByTwo) {
      c.XScale = r.F2Dot14();
      c.Scale01 = r.F2Dot14();
      c.Scale10 = r.F2Dot14();
      c.YScale = r.F2Dot14();
    }
    if (r.Overrun()) break;
    g.Components.push_back(c);
  } while ((flags & kMoreComponents) && g.Components.size() < kMaxComponents);
}

}  // namespace

TPDFTTglyfTable TPDFTrueTypeParser::Glyph(long index) const {
  TPDFTTglyfTable g;
  if (index < 0 || size_t(index) + 1 >= locations_.size()) return g;
  uint32_t start = locations_[index];
  uint32_t end = locations_[index + 1];
  std::string_view glyf = TableData("glyf");
  if (end <= start || end > glyf.size()) return g;
  TFontByteReader r(glyf.substr(start, end - start));
  g.NumberOfContours = r.S16();
  g.XMin = r.S16();
  g.YMin = r.S16();
  g.XMax = r.S16();
  g.YMax = r.S16();
  if (r.Overrun()) return TPDFTTglyfTable{};
  if (g.NumberOfContours > 0)
    ReadSimple(r, g);
  else
    ReadComposite(r, g);
  return g;
}

}  // namespace ostrel
