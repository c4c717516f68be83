#pragma once
// The page canvas on Cairo. It keeps its own path (segments start at the
// canvas's current point) and hands it to Cairo to fill, stroke or clip, so
// that coordinates can be checked before Cairo sees them: a non-finite or
// wildly large coordinate would otherwise put the Cairo context into an error
// state that blanks the rest of the page.
#include <cstdint>
#include <string_view>
#include <vector>

#include "pdf/render/canvas/generic_canvas.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_pattern cairo_pattern_t;

namespace ostrel {

class Bitmap;

// The separable and non-separable blend modes, in the order of their names
// in kBlendModeNames.
enum class TBlendMode : uint8_t {
  Normal, Multiply, Screen, Overlay, Darken, Lighten, ColorDodge, ColorBurn,
  HardLight, SoftLight, Difference, Exclusion, Hue, Saturation, Color, Luminosity
};
// The mode a /BM name stands for; false for an unknown name. "Compatible"
// is Normal.
bool BlendModeFromName(std::string_view name, TBlendMode& mode);

class TPDFPicasso final : public TPDFGenericCanvas {
 public:
  TPDFPicasso();
  ~TPDFPicasso() override;
  TPDFPicasso(const TPDFPicasso&) = delete;
  TPDFPicasso& operator=(const TPDFPicasso&) = delete;

  // Draws into the pixels of a 32-bit bitmap (Cairo's RGB24 layout; the
  // fourth byte is left alone). False when the bitmap is not 32-bit or
  // Cairo refuses it; the canvas then draws nothing.
  bool AttachBitmap(Bitmap& target, const TGDIPlusSettings& settings);
  // Draws into a surface of its own: width x height pixels with alpha,
  // transparent at first. Used for pattern cells, soft masks and groups
  // drawn apart from the page.
  bool CreateSurface(int width, int height, const TGDIPlusSettings& settings);
  // Finishes pending drawing so the bitmap's pixels can be read.
  void Flush();
  // The surface drawn into (nullptr when none could be made).
  cairo_surface_t* Surface() const { return surface_; }
  // Device-space extents of the current clip: x0, y0, x1, y1. False when
  // nothing can be drawn.
  bool ClipExtents(double box[4]) const;

  void NewPath() override;
  void MoveTo(double x, double y) override;
  void LineTo(double x, double y) override;
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override;
  void QuadCurveTo(double x1, double y1, double x2, double y2) override;
  void ClosePath() override;
  void StrokePath() override;
  void FillPath() override;
  void FillStrokePath() override;
  void DrawGraphic(const Bitmap& graphic, double x1, double y1, double x2, double y2, double x3,
                   double y3) override;

  // 1 nonzero winding, 2 even-odd; other values leave the rule unchanged.
  void SetFillRule(int rule);
  // The current path becomes part of the clip once it is painted or ended.
  void SetClip(int rule);
  // Ends the path without painting it (a pending clip is applied).
  void EndPath();
  // Handle of the current clip; 0 is the unclipped page.
  int32_t SaveClip();
  // Makes a clip saved earlier current again, in any order.
  void RestoreClip(int32_t handle);

  void SetFillColor(int32_t color) { fillColor_ = color; }
  void SetStrokeColor(int32_t color) { strokeColor_ = color; }
  void SetFillAlpha(double alpha) { fillAlpha_ = alpha; }
  void SetStrokeAlpha(double alpha) { strokeAlpha_ = alpha; }
  void SetLineWidth(double width) { lineWidth_ = width; }
  void SetLineCap(int cap) { lineCap_ = cap; }
  void SetLineJoin(int join) { lineJoin_ = join; }
  void SetMiterLimit(double limit) { miterLimit_ = limit; }
  // Dash lengths and offset in multiples of the line width.
  void SetDash(const std::vector<double>& lengths, double offset);

  // A pattern in device space to fill or stroke with instead of the solid
  // colour; nullptr returns to the colour. The canvas keeps a reference.
  void SetFillSource(cairo_pattern_t* pattern);
  void SetStrokeSource(cairo_pattern_t* pattern);
  // Blend mode of everything painted from now on.
  void SetBlendMode(TBlendMode mode) { blend_ = mode; }
  // A device-space pattern whose alpha masks everything painted (a soft
  // mask); nullptr for none. The canvas keeps a reference.
  void SetSoftMask(cairo_pattern_t* mask);
  // The source painted inside the device-space polygon only, transparent
  // outside, as a new pattern the caller owns; nullptr without a surface.
  // The layer it is drawn into covers the polygon, never more than the page.
  cairo_pattern_t* ClippedSource(cairo_pattern_t* source, const std::vector<std::pair<double, double>>& polygon);
  // Paints the pattern over the whole current clip at the given alpha.
  void PaintSource(cairo_pattern_t* pattern, double alpha);
  // Everything drawn up to the matching EndGroup goes to a transparent
  // layer of its own; EndGroup composites it with the alpha, blend mode and
  // soft mask in force then. Clips made inside the group end with it.
  // In a knockout group each shape painted in the normal blend mode with a
  // solid colour (or an opaque pattern) replaces what the group holds under
  // it instead of compositing over it, as knockout groups composite every
  // element with the group's initial backdrop.
  void BeginGroup(bool knockout = false);
  void EndGroup(double alpha);

  // Stretches the whole bitmap into the rectangle.
  void DrawBitmapRect(const Bitmap& bitmap, double left, double top, double width, double height);
  // As DrawGraphic, leaving out pixels whose red, green and blue each lie
  // within the range of the two 0x00BBGGRR key colours.
  void DrawGraphicKeyed(const Bitmap& graphic, int32_t keyLow, int32_t keyHigh, double x1, double y1, double x2,
                        double y2, double x3, double y3);

  // Whether FillMask can stand in for filling a path: a solid colour, no
  // soft mask, no clip waiting for a path.
  bool CanFillMasks() const { return cr_ && !fillSource_ && !softMask_ && !clipPending_; }
  bool AntiAlias() const { return settings_.AntiAlias; }
  // Paints the fill colour through an A8 coverage mask whose top-left pixel
  // goes to device pixel (x, y), as a fill of the masked shape would.
  void FillMask(cairo_surface_t* mask, int x, int y);

  bool HasPath() const { return hasPath_; }
  double CurrentX() const { return curX_; }
  double CurrentY() const { return curY_; }
  int32_t ClipNodeCount() const { return static_cast<int32_t>(clips_.size()); }

  // Coordinates are kept inside this many pixels of the origin: Cairo's
  // fixed-point numbers wrap a little beyond 8 million.
  static constexpr double kCoordLimit = 4.0e6;

 private:
  bool StartDrawing();
  enum class TSeg : uint8_t { Move, Line, Curve, Close };
  struct TSegment {
    TSeg Kind;
    double P[6];
  };
  struct TClipNode {
    int32_t Parent;
    int32_t Depth;
    std::vector<TSegment> Path;
    int Rule;
  };

  void AddSegment(TSeg kind, std::initializer_list<double> points);
  void AppendPathToCairo(const std::vector<TSegment>& path);
  void SetSourceColor(int32_t color, double alpha);
  // Fills or strokes the current Cairo path (kept) with a source.
  void DrawCairoPath(bool stroke, cairo_pattern_t* source, int32_t color, double alpha);
  // Paints the source already set over the clip, with alpha, blend and mask.
  void CompositeSource(double alpha);
  bool PrepareStroke();
  void Paint(bool fill, bool stroke);
  void FinishPath();
  void PushClipNode(int32_t node);
  void Recover();
  void DrawImage(const Bitmap& graphic, bool useKey, int32_t keyLow, int32_t keyHigh, double x1, double y1,
                 double x2, double y2, double x3, double y3);
  void PlaceSurface(cairo_surface_t* surface, int width, int height, double x1, double y1, double x2, double y2,
                    double x3, double y3);

  TGDIPlusSettings settings_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;

  std::vector<TSegment> path_;
  bool hasPath_ = false;
  bool figureOpen_ = false;
  double curX_ = 0, curY_ = 0;

  int32_t fillColor_ = 0, strokeColor_ = 0;
  double fillAlpha_ = 1, strokeAlpha_ = 1;
  double lineWidth_ = 1;
  int lineCap_ = 0, lineJoin_ = 0;
  double miterLimit_ = 10;
  std::vector<double> dash_;
  double dashOffset_ = 0;
  int fillRule_ = 1;
  bool clipPending_ = false;
  cairo_pattern_t* fillSource_ = nullptr;
  cairo_pattern_t* strokeSource_ = nullptr;
  cairo_pattern_t* softMask_ = nullptr;
  TBlendMode blend_ = TBlendMode::Normal;
  std::vector<int32_t> groupClips_;  // clip node at each open BeginGroup
  std::vector<bool> groupKnockouts_;  // the knockout flag each open group replaced
  bool knockout_ = false;

  // Clip nodes form a tree: node 0 is the unclipped page, every other node
  // intersects its parent with a path. The chain of the current node is
  // mirrored by nested cairo_save levels, so restoring an ancestor is a few
  // cairo_restore calls; any other node is replayed from the root.
  std::vector<TClipNode> clips_;
  int32_t currentClip_ = 0;
};

}  // namespace ostrel
