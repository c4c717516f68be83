// TrueType glyph lookup and quadratic outline building.
#include "pdf/render/glyphs/truetype_rasterizer.h"

#include <charconv>

#include "pdf/text/fonts/font_program_limits.h"
#include "pdf/text/glyph_list.h"
#include "pdf/text/latin_charset.h"

namespace ostrel {
namespace {

long NumberAfter(std::string_view key, size_t prefix, int base = 10) {
  if (key.size() <= prefix) return -1;
  long n = -1;
  auto [end, ec] = std::from_chars(key.data() + prefix, key.data() + key.size(), n, base);
  return ec == std::errc() ? n : -1;
}

constexpr uint16_t kComponentXYValues = 0x0002;
constexpr size_t kMaxCachedOutlines = 70000;

}  // namespace

bool TPDFTrueTypeRasterizer2::Load(std::string_view bytes) {
  loaded_ = Parser.LoadFromBytes(bytes);
  IsCFFFont = loaded_ && Parser.CFFTableLength() > 0;
  return loaded_;
}

long TPDFTrueTypeRasterizer2::GlyphIndexOf(std::string_view key) const {
  long g = 0;
  const long unicodeMap = Parser.FindCmapSubtable(3, 1);
  const bool hasNames = Parser.GlyphNameCount() > 0;
  auto inCmap = [&](long sub, uint32_t code) -> long {
    return sub < 0 ? 0 : Parser.CmapSubtables()[sub].GlyphOf(code);
  };
  auto byName = [&](std::string_view name) -> long {
    long i = hasNames ? Parser.GlyphIndexOfName(name) : -1;
    return i < 0 ? 0 : i;
  };
  if (key.starts_with("U+")) {
    long u = NumberAfter(key, 2, 16);
    if (u >= 0 && unicodeMap >= 0) {
      g = inCmap(unicodeMap, uint32_t(u));
    } else if (u >= 0 && hasNames) {
      for (const TLatinChar& c : LatinCharset())
        if (c.Unicode == u) g = byName(c.Name);
    }
  } else if (key.starts_with("PS:")) {
    g = byName(key.substr(3));
  } else if (key.starts_with("GID:")) {
    g = std::max(0L, NumberAfter(key, 4));
  }
  if (g == 0 && Symbolic && key.size() > 4) {
    // Symbolic fonts are looked up by the code after "CID:" (or any
    // four-character prefix) in the low byte of their cmaps' codes.
    long code = NumberAfter(key, 4);
    if (code >= 0) {
      for (auto [platform, encoding] : {std::pair{3, 0}, {1, 0}, {3, 1}}) {
        if (g != 0) break;
        long sub = Parser.FindCmapSubtable(uint16_t(platform), uint16_t(encoding));
        if (sub < 0) continue;
        const TPDFTTEncodingRecord& rec = Parser.CmapSubtables()[sub];
        for (size_t i = 0; i < rec.Codes.size(); ++i)
          if ((rec.Codes[i] & 0xFF) == code) g = rec.GlyphIndices[i];
      }
    }
  }
  if (g == 0 && unicodeMap >= 0) {
    if (char16_t u = GlyphNameToUnicode(key)) g = inCmap(unicodeMap, u);
  }
  if (g == 0) {
    long mac = Parser.FindCmapSubtable(1, 0);
    const TLatinChar* c = FindLatinChar(key);
    if (mac >= 0 && c && c->Codes[kMacRomanEncoding] >= 0 && Parser.CmapSubtables()[mac].Codes.size() == 256)
      g = inCmap(mac, uint32_t(c->Codes[kMacRomanEncoding]));
  }
  if (g == 0) g = byName(key);
  return g;
}

void TPDFTrueTypeRasterizer2::AddGlyph(TGlyphOutline& out, long glyph, const TGlyphMatrix& t, int depth) const {
  if (depth >= kMaxGlyphNesting) return;  // a composite that includes itself
  TPDFTTglyfTable g = Parser.Glyph(glyph);
  auto X = [&](double x, double y) { return t[0] * x + t[2] * y + t[4]; };
  auto Y = [&](double x, double y) { return t[1] * x + t[3] * y + t[5]; };
  if (g.IsComposite()) {
    for (const TPDFTTComponent& c : g.Components) {
      TGlyphMatrix local{c.XScale, c.Scale01, c.Scale10, c.YScale, 0, 0};
      if (c.Flags & kComponentXYValues) {
        local[4] = c.Argument1;
        local[5] = c.Argument2;
      }
      AddGlyph(out, c.GlyphIndex, MultiplyGlyphMatrix(local, t), depth + 1);
    }
    return;
  }
  size_t first = 0;
  for (uint16_t endPoint : g.EndPoints) {
    size_t last = std::min<size_t>(endPoint, g.Points.size() - 1);
    if (first > last || g.Points.empty()) break;
    auto onCurve = [&](size_t i) { return (g.Flags[i] & 1) != 0; };
    auto px = [&](size_t i) { return double(g.Points[i].first); };
    auto py = [&](size_t i) { return double(g.Points[i].second); };
    // A contour may start off the curve: it then starts at its last point
    // when that one is on the curve, else halfway between last and first.
    double sx, sy;
    size_t begin = first;
    if (onCurve(first)) {
      sx = px(first), sy = py(first);
      begin = first + 1;
    } else if (onCurve(last)) {
      sx = px(last), sy = py(last);
    } else {
      sx = (px(last) + px(first)) / 2, sy = (py(last) + py(first)) / 2;
    }
    out.MoveTo(X(sx, sy), Y(sx, sy));
    bool pending = false;
    double cx = 0, cy = 0;
    size_t count = last - first + 1;
    for (size_t k = 0; k <= count; ++k) {
      size_t i = first + (begin - first + k) % count;
      bool closing = k == count;
      double x = closing ? sx : px(i), y = closing ? sy : py(i);
      bool on = closing || onCurve(i);
      if (!closing && !onCurve(first) && onCurve(last) && i == last) continue;  // it is the start point
      if (on) {
        if (pending)
          out.QuadCurveTo(X(cx, cy), Y(cx, cy), X(x, y), Y(x, y));
        else
          out.LineTo(X(x, y), Y(x, y));
        pending = false;
      } else {
        if (pending) {
          double mx = (cx + x) / 2, my = (cy + y) / 2;
          out.QuadCurveTo(X(cx, cy), Y(cx, cy), X(mx, my), Y(mx, my));
        }
        cx = x, cy = y;
        pending = true;
      }
      if (closing) break;
    }
    out.ClosePath();
    first = last + 1;
  }
}

TGlyphOutline TPDFTrueTypeRasterizer2::BuildOutline(long glyph) const {
  TGlyphOutline out;
  double s = 1000.0 / Parser.UnitsPerEm();
  AddGlyph(out, glyph, {s, 0, 0, s, 0, 0}, 0);
  return out;
}

double TPDFTrueTypeRasterizer2::AdvanceOfName(std::string_view name) const {
  if (!loaded_ || name.empty()) return -1;
  long g = GlyphIndexOf(name);
  return g > 0 ? Parser.AdvanceWidth(g) : -1;
}

bool TPDFTrueTypeRasterizer2::DrawGlyph(TGlyphPathSink& sink, const TGlyphMatrix& m, double x, double y,
                                       std::string_view key) {
  if (!loaded_ || !Parser.HasHead()) return false;
  std::string k(key);
  auto it = cache_.find(k);
  if (it == cache_.end()) {
    long g = GlyphIndexOf(key);
    TGlyphOutline outline = g > 0 ? BuildOutline(g) : TGlyphOutline{};
    if (cache_.size() >= kMaxCachedOutlines) {
      outline.Replay(sink, m, x, y);
      return !outline.Empty();
    }
    it = cache_.emplace(std::move(k), std::move(outline)).first;
  }
  it->second.Replay(sink, m, x, y);
  return !it->second.Empty();
}

}  // namespace ostrel
