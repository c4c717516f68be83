// Text objects of the content interpreter: font selection, text positioning
// and the drawing of glyph outlines through the font's rasterizer.
#include <algorithm>
#include <cmath>

#include "pdf/core/content_strings.h"
#include "pdf/core/decimal_reading.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/render/content/content_interpreter.h"
#include "pdf/render/glyphs/glyph_rasterizer.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/render/canvas/picasso.h"
#include "pdf/render/glyphs/type3_procedures.h"
#include "pdf/render/content/render_lookup.h"
#include "pdf/text/font_collection.h"

namespace ostrel {

namespace {

// Glyph outlines go to whichever canvas the text is drawn on.
class TCanvasSink final : public TGlyphPathSink {
 public:
  explicit TCanvasSink(TPDFGenericCanvas& canvas) : canvas_(canvas) {}
  void MoveTo(double x, double y) override { canvas_.MoveTo(x, y); }
  void LineTo(double x, double y) override { canvas_.LineTo(x, y); }
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override {
    canvas_.CurveTo(x1, y1, x2, y2, x3, y3);
  }
  void QuadCurveTo(double cx, double cy, double x, double y) override { canvas_.QuadCurveTo(cx, cy, x, y); }
  void ClosePath() override { canvas_.ClosePath(); }

 private:
  TPDFGenericCanvas& canvas_;
};

bool IsStringToken(std::string_view t) { return !t.empty() && (t[0] == '(' || t[0] == '<'); }

std::string DecodeStringToken(std::string_view t) {
  return t[0] == '(' ? ContentLiteralUnescape(t) : ContentHexDecode(t);
}

// Glyphs of composite fonts are found by CID; a font drawn from an
// installed font finds them by the characters the codes stand for.
std::string CompositeGlyphKey(const TPDFFontCollection& fonts, const TPDFGlyphRasterizer* raster, uint32_t code) {
  if (raster && raster->DrawsByUnicode()) return UnicodeGlyphKey(fonts.CodeToText(code));
  size_t cid = fonts.CodeToCID(code);
  uint32_t gid = uint32_t(cid);
  const std::string& map = fonts.CurrentFont->CIDToGIDMapData;
  if (2 * cid + 1 < map.size()) gid = (static_cast<uint8_t>(map[2 * cid]) << 8) | static_cast<uint8_t>(map[2 * cid + 1]);
  return "GID:" + std::to_string(gid);
}

}  // namespace

void TContentRun::NextLine(double tx, double ty) {
  gs_.LineMatrix = MultiplyMatrix(TPDFMatrix{1, 0, 0, 1, tx, ty}, gs_.LineMatrix);
  gs_.TextMatrix = gs_.LineMatrix;
}

bool TContentRun::SelectFont() {
  TPDFFontCollection& fonts = r_.fonts_;
  const std::string& name = gs_.FontName;
  if (name.size() > 2 && name.compare(name.size() - 2, 2, " R") == 0) {
    // A reference from an ExtGState /Font entry.
    size_t space = name.find(' ');
    auto number = static_cast<int32_t>(ReadDecimal(std::string_view(name).substr(0, space)));
    TPDFDictionary* any = resources_ ? resources_ : r_.Page;
    if (!any) return false;
    TPDFIndRef ref(any->Pool, number, 0);
    return fonts.SelectFontRecord(&ref) && fonts.CurrentFont;
  }
  if (!resources_ || name.empty() || name[0] != '/') return false;
  TPDFObject* entry = ResourceEntryRaw(resources_, "Font", NameKey(name));
  if (PdfCast<TPDFIndRef>(entry)) return fonts.SelectFontRecord(entry) && fonts.CurrentFont;
  // A direct font dictionary has no object number to find its record by:
  // its record is remembered by identity so it is loaded once.
  auto* dict = PdfCast<TPDFDictionary>(entry);
  if (!dict) return false;
  auto found = r_.directFonts_.find(dict);
  if (found != r_.directFonts_.end()) {
    fonts.CurrentFont = fonts.Record(found->second);
    return fonts.CurrentFont != nullptr;
  }
  size_t before = fonts.Count();
  if (!fonts.LoadFont(dict) || fonts.Count() == before) return false;
  r_.directFonts_[dict] = fonts.Count() - 1;
  fonts.CurrentFont = fonts.Record(fonts.Count() - 1);
  return true;
}

void TContentRun::ShowText() {
  size_t count = std::min(static_cast<size_t>(std::max(arrayCount_, 0)), operands_.size());
  std::vector<std::string_view> items(operands_.end() - count, operands_.end());
  operands_.resize(operands_.size() - count);
  arrayCount_ = 0;
  // The text device was told of the strings already; nothing is drawn.
  if (r_.TextDevice) return;

  TPDFFontCollectionData* font = r_.fonts_.CurrentFont;
  if (!font || gs_.FontSize == 0) return;
  TPDFGlyphRasterizer* raster = font->Rasterizer.get();
  bool clipping = gs_.RenderMode >= 4;
  TPDFGenericShape clipGlyphs;
  TPDFGenericCanvas& target = clipping ? static_cast<TPDFGenericCanvas&>(clipGlyphs) : canvas_;

  canvas_.NewPath();
  double k = 1.0;
  if (raster) {
    raster->TextRenderingMode = gs_.RenderMode;
    k = raster->WidthScale();
    if (!std::isfinite(k)) k = 1.0;
  }
  double size = gs_.FontSize, th = gs_.HorizontalScaling / 100;
  TPDFMatrix textCTM = MultiplyMatrix(gs_.TextMatrix, r_.CTM);
  // u: glyph units per text-space unit of the font size.
  double u = 1000;
  TPDFMatrix glyphCTM;
  auto* type3 = dynamic_cast<TPDFType3Procedures*>(raster);
  if (type3) {
    TPDFMatrix fm = type3->FontMatrix();
    u = fm[0] != 0 && std::isfinite(1 / fm[0]) ? std::fabs(1 / fm[0]) : 1000;
    type3->FillColor = gs_.FillColor;
    glyphCTM = MultiplyMatrix(fm, MultiplyMatrix(TPDFMatrix{size * th, 0, 0, size, 0, 0}, textCTM));
  } else {
    glyphCTM = MultiplyMatrix(TPDFMatrix{size / u * th, 0, 0, size / u, 0, 0}, textCTM);
  }

  double x = 0;
  bool collecting = r_.OutputKind == TPDFRenderer::kOutputTextCollection;
  // Plainly filled glyphs of an outline font are composited from the
  // renderer's mask cache rather than filled one path at a time.
  maskText_ = !clipping && gs_.RenderMode == 0 && raster && !type3 && k == 1 && visible_ && !collecting &&
              !r_.fonts_.IsVertical();
  if (maskText_) {
    FillSetup(1);
    maskText_ = PrepareSource(true) && canvas_.CanFillMasks();
  }
  if (r_.fonts_.IsVertical() && !collecting) {
    // Top to bottom: glyphs hang from the pen, which moves down the page.
    double y = 0;
    if (MatrixIsFinite(glyphCTM)) {
      for (std::string_view item : items) {
        if (IsStringToken(item))
          ShowVerticalString(item, raster, u, y, glyphCTM, target);
        else
          y -= ReadDecimal(item) * u / 1000;
      }
    }
    double ty = std::fabs(size) * y / u;
    if (std::isfinite(ty)) gs_.TextMatrix = MultiplyMatrix(TPDFMatrix{1, 0, 0, 1, 0, ty}, gs_.TextMatrix);
    PaintText(clipping ? &clipGlyphs : nullptr);
    return;
  }
  if (MatrixIsFinite(glyphCTM) && collecting) {
    CollectText(items, raster, u, k, x, glyphCTM);
    if (r_.fonts_.IsVertical()) {
      // The pen went down the column.
      double ty = -std::fabs(size) * x / u;
      if (std::isfinite(ty)) gs_.TextMatrix = MultiplyMatrix(TPDFMatrix{1, 0, 0, 1, 0, ty}, gs_.TextMatrix);
      return;
    }
  } else if (MatrixIsFinite(glyphCTM)) {
    for (std::string_view item : items) {
      if (IsStringToken(item))
        ShowString(item, raster, u, k, x, glyphCTM, target);
      else if (k != 0)
        x -= ReadDecimal(item) * u / 1000 / k;
    }
  }
  double kk = k == 0 ? 1 : k;
  double tx = gs_.HorizontalScaling * (kk * std::fabs(size) * x / u) / 100;
  if (std::isfinite(tx)) gs_.TextMatrix = MultiplyMatrix(TPDFMatrix{1, 0, 0, 1, tx, 0}, gs_.TextMatrix);
  if (collecting) return;  // nothing is painted
  PaintText(clipping ? &clipGlyphs : nullptr);
}

void TContentRun::ShowString(std::string_view token, TPDFGlyphRasterizer* raster, double u, double k, double& x,
                             const TPDFMatrix& glyphCTM, TPDFGenericCanvas& target) {
  TPDFFontCollectionData& font = *r_.fonts_.CurrentFont;
  std::string bytes = DecodeStringToken(token);
  double perSize = u / std::fabs(gs_.FontSize);
  double rise = gs_.Rise * perSize;
  bool draw = visible_ && raster;
  auto* type3 = dynamic_cast<TPDFType3Procedures*>(raster);
  TCanvasSink sink(target);
  auto drawGlyph = [&](const std::string& key) {
    if (!draw) return;
    if (type3)
      RunGlyphProcedure(*type3, key, x, rise, glyphCTM);
    else if (!maskText_ || !DrawGlyphMask(*raster, key, x, rise, glyphCTM))
      raster->DrawGlyph(sink, glyphCTM, x, rise, key);
  };
  if (font.IsComposite) {
    for (uint32_t code : r_.fonts_.SplitCodes(bytes)) {
      double advance = gs_.CharSpacing * perSize + r_.fonts_.CodeWidth(code);
      if (draw) drawGlyph(CompositeGlyphKey(r_.fonts_, raster, code));
      x += advance;
    }
    return;
  }
  for (unsigned char c : bytes) {
    double advance = font.Widths[c];
    if (raster && k != 0) advance /= k;
    advance += gs_.CharSpacing * perSize;
    if (c == 32) advance += gs_.WordSpacing * perSize;
    drawGlyph(font.GlyphNames[c]);
    x += advance;
  }
}

bool TContentRun::DrawGlyphMask(TPDFGlyphRasterizer& raster, std::string_view key, double x, double y,
                                const TPDFMatrix& m) {
  constexpr int kPhases = TGlyphMaskCache::kPhases;
  const double ox = m[0] * x + m[2] * y + m[4], oy = m[1] * x + m[3] * y + m[5];
  if (!(std::fabs(ox) < 1e6 && std::fabs(oy) < 1e6)) return false;
  // The origin's pixel, and its place inside that pixel in quarter pixels.
  double px = std::floor(ox), py = std::floor(oy);
  int phaseX = static_cast<int>(std::nearbyint((ox - px) * kPhases));
  int phaseY = static_cast<int>(std::nearbyint((oy - py) * kPhases));
  if (phaseX == kPhases) phaseX = 0, px += 1;
  if (phaseY == kPhases) phaseY = 0, py += 1;
  const TGlyphMaskCache::TMask* mask =
      r_.glyphMasks_.Find(raster, key, {m[0], m[1], m[2], m[3], 0, 0}, phaseX, phaseY, canvas_.AntiAlias());
  if (!mask) return false;
  if (mask->Surface) canvas_.FillMask(mask->Surface, static_cast<int>(px) + mask->Left, static_cast<int>(py) + mask->Top);
  return true;
}

// A string of a vertical font: each glyph is placed by its position vector
// from the pen, and the pen moves by the glyph's vertical advance (negative:
// downwards) plus the character spacing. Word spacing is left out, as
// for horizontal composite fonts.
void TContentRun::ShowVerticalString(std::string_view token, TPDFGlyphRasterizer* raster, double u, double& y,
                                     const TPDFMatrix& glyphCTM, TPDFGenericCanvas& target) {
  TPDFFontCollection& fonts = r_.fonts_;
  std::string bytes = DecodeStringToken(token);
  double perSize = u / std::fabs(gs_.FontSize);
  double rise = gs_.Rise * perSize;
  bool draw = visible_ && raster;
  TCanvasSink sink(target);
  for (uint32_t code : fonts.SplitCodes(bytes)) {
    TVerticalMetric m = fonts.CodeVerticalMetric(code);
    if (draw) raster->DrawGlyph(sink, glyphCTM, -m.Vx, y - m.Vy + rise, CompositeGlyphKey(fonts, raster, code));
    y += m.W1y + gs_.CharSpacing * perSize;
  }
}

// Runs a Type 3 glyph procedure with the text's state; colours set inside
// after d1 are ignored, so the glyph paints in the colour of the text.
void TContentRun::RunGlyphProcedure(TPDFType3Procedures& raster, std::string_view glyphName, double x, double y,
                                    const TPDFMatrix& glyphCTM) {
  TPDFDictionary* fontDict = raster.FontDictionary();
  if (!fontDict || r_.nesting_ >= TPDFRenderer::kMaxNesting || r_.drawing_.count(fontDict)) return;
  std::string procedure = raster.ProcedureFor(glyphName);
  if (procedure.empty()) return;
  TPDFMatrix savedCTM = r_.CTM;
  TPDFFontCollectionData* savedFont = r_.fonts_.CurrentFont;
  PushState();
  r_.InheritedResources = resources_;
  r_.CTM = MultiplyMatrix(TPDFMatrix{1, 0, 0, 1, x, y}, glyphCTM);
  r_.UseInitialState = true;
  r_.InitialState = gs_;
  r_.drawing_.insert(fontDict);
  ++r_.nesting_;
  r_.RunContent(canvas_, fontDict, &procedure, nullptr);
  --r_.nesting_;
  r_.drawing_.erase(fontDict);
  PopState(false);
  r_.CTM = savedCTM;
  r_.fonts_.CurrentFont = savedFont;
}

void TContentRun::PaintText(TPDFGenericShape* clipGlyphs) {
  int mode = gs_.RenderMode;
  if (clipGlyphs) {
    clipGlyphs->Replay(canvas_);
    clipGlyphs->Replay(textClip_);
    textClipPending_ = true;
  }
  bool stroke = mode == 1 || mode == 2 || mode == 5 || mode == 6;
  bool fill = mode == 0 || mode == 2 || mode == 4 || mode == 6;
  if (stroke) StrokeSetup();
  if (fill) FillSetup(1);
  bool doFill = fill && PrepareSource(true);
  bool doStroke = stroke && PrepareSource(false);
  if (doFill && doStroke)
    canvas_.FillStrokePath();
  else if (doFill)
    canvas_.FillPath();
  else if (doStroke)
    canvas_.StrokePath();
  else
    canvas_.EndPath();
}

// The glyphs shown in clipping modes during one text object become one clip,
// intersected once when the object ends.
void TContentRun::EndTextObject() {
  if (!textClipPending_) return;
  textClipPending_ = false;
  if (textClip_.Empty()) return;
  canvas_.NewPath();
  textClip_.Replay(canvas_);
  textClip_.Clear();
  canvas_.SetClip(1);
  canvas_.EndPath();
}

}  // namespace ostrel
