#pragma once
// The state of one run of the content interpreter over one content stream
// (a page, a form, an appearance or a Type 3 glyph procedure): operand
// stack, graphics-state stack, visibility of optional content, the pending
// clip of text in a clipping mode. The renderer owns what outlives a run.
#include <string>
#include <string_view>
#include <vector>

#include "pdf/render/content/content_tokenizer.h"
#include "pdf/render/canvas/generic_shape.h"
#include "pdf/render/content/graphics_state.h"
#include "pdf/render/shading/shading_paint.h"

namespace ostrel {

class TPDFRenderer;
class TPDFPicasso;
class TPDFDictionary;
class TPDFObject;
class TPDFStructure;
class TPDFGlyphRasterizer;
class TPDFType3Procedures;
class TPDFIndRef;
class TPDFStream;

class TContentRun {
 public:
  TContentRun(TPDFRenderer& renderer, TPDFPicasso& canvas, std::string_view text, TPDFDictionary* resources);
  // Interprets every token; exceptions reach the caller.
  void Run();
  size_t Position() const { return tokens_.Position(); }
  size_t UnclosedString() const { return tokens_.UnclosedString(); }

  // Deepest graphics states kept; deeper q/Q pairs only count.
  static constexpr size_t kMaxStateDepth = 4096;
  // Operands kept below the top; older ones are dropped.
  static constexpr size_t kMaxOperands = 65536;

 private:
  bool Dispatch(std::string_view op);
  // Operands.
  double PopNumber();
  std::string_view PopToken();
  void Push(std::string_view token);
  void ReadArray();
  // Graphics state.
  void PushState();
  void PopState(bool reselectFont);
  void Concat(const TPDFMatrix& m);
  void SetDash();
  void ApplyExtGState(std::string_view name);
  // Paths and painting.
  void PathPoint(double x, double y, double& px, double& py) const;
  void OpenPath();
  void StrokeSetup();
  void FillSetup(int rule);
  void Paint(bool fill, bool stroke, int rule, bool close);
  // Colour.
  std::string SpaceKey(std::string_view name);
  void SetColor(bool fill, const std::string& space);
  // Text.
  // False when the font named cannot be found or loaded.
  bool SelectFont();
  void ShowText();
  // Composites the glyph's cached mask at its place; false when it has none
  // (too large, or off any sane page) and the outline must be filled.
  bool DrawGlyphMask(TPDFGlyphRasterizer& raster, std::string_view key, double x, double y, const TPDFMatrix& m);
  void ShowString(std::string_view token, TPDFGlyphRasterizer* raster, double u, double k, double& x,
                  const TPDFMatrix& glyphCTM, TPDFGenericCanvas& target);
  void ShowVerticalString(std::string_view token, TPDFGlyphRasterizer* raster, double u, double& y,
                          const TPDFMatrix& glyphCTM, TPDFGenericCanvas& target);
  void RunGlyphProcedure(TPDFType3Procedures& raster, std::string_view glyphName, double x, double y,
                         const TPDFMatrix& glyphCTM);
  void PaintText(TPDFGenericShape* clipGlyphs);
  // The text-collection kind's replacement for drawing the shown strings.
  void CollectText(const std::vector<std::string_view>& items, TPDFGlyphRasterizer* raster, double u, double k,
                   double& x, const TPDFMatrix& glyphCTM);
  std::string FillColorText() const;
  // Tells the text device of an operator about to run.
  void TellTextDevice(std::string_view op);
  // Patterns and shadings.
  static bool IsPatternKey(std::string_view key) { return key.starts_with("Pattern"); }
  void SetPatternColor(bool fill, const std::string& key);
  // Points the canvas's fill or stroke at the current pattern, or back at
  // the solid colour; false when a pattern space has no usable pattern and
  // nothing must be painted.
  bool PrepareSource(bool fill);
  TCairoPattern PatternSource(TPDFObject* pattern, int32_t color);
  TCairoPattern TilingSource(TPDFStream* pattern, const TPDFIndRef* ref, int32_t color);
  void PaintShading(std::string_view name);
  TDeviceArea PaintArea() const;
  // Transparency: blend mode and soft mask of gs_ to the canvas.
  void ApplyTransparency();
  void ApplyTransparencyEntries(TPDFDictionary* extGState);
  TCairoPattern SoftMaskPattern();
  TCairoPattern RenderSoftMask(TPDFDictionary* mask, const TPDFMatrix& ctm);
  // Draws a form onto another canvas, starting from the initial state.
  void RunForm(TPDFPicasso& target, TPDFStream* form, const TPDFIndRef* ref, const TPDFMatrix& ctm);
  // A form with a transparency group that needs a layer of its own gets
  // one; true when it did.
  bool BeginFormGroup(TPDFDictionary* form);
  void EndFormGroup();
  // Images take the fill alpha, the blend mode and the soft mask.
  void ImageSetup();
  void EndTextObject();
  void NextLine(double tx, double ty);
  // Resources.
  void DrawXObject();
  void DrawInlineImage();
  void BeginMarkedContent(bool withProperties);
  void EndMarkedContent();

  TPDFRenderer& r_;
  TPDFPicasso& canvas_;
  std::string_view text_;
  TContentTokenizer tokens_;
  TPDFDictionary* resources_;

  // The CTM the run started with: the default space of patterns.
  TPDFMatrix baseCTM_;
  // Pattern sources made in this run, by pattern object and colour.
  struct TMadeSource {
    const TPDFObject* Pattern;
    int32_t Color;
    TCairoPattern Source;
  };
  std::vector<TMadeSource> madeSources_;

  TPDFGraphicsState gs_;
  std::vector<TPDFGraphicsState> stack_;
  size_t overflowDepth_ = 0;  // q beyond kMaxStateDepth
  std::vector<std::string_view> operands_;
  int arrayCount_ = 0;
  bool pathOpen_ = false;
  bool visible_ = true;
  bool maskText_ = false;  // the current string's glyphs are drawn as cached masks
  bool ignoreColor_ = false;
  std::vector<bool> visibility_;
  // Glyph outlines of the current text object shown in a clipping mode;
  // intersected with the clip once, at the end of the text object.
  TPDFGenericShape textClip_;
  bool textClipPending_ = false;
};

}  // namespace ostrel
