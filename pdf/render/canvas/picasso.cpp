#include "pdf/render/canvas/picasso.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "pdf/render/colour/render_colors.h"
#include "platform/bitmap.h"

namespace ostrel {

namespace {

double Bound(double v) { return std::clamp(v, -TPDFPicasso::kCoordLimit, TPDFPicasso::kCoordLimit); }

bool AllFinite(std::initializer_list<double> values) {
  for (double v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

constexpr size_t kMaxDashEntries = 1024;

constexpr std::string_view kBlendModeNames[] = {
    "Normal",    "Multiply",   "Screen",     "Overlay", "Darken",     "Lighten",   "ColorDodge", "ColorBurn",
    "HardLight", "SoftLight",  "Difference", "Exclusion", "Hue",      "Saturation", "Color",    "Luminosity"};
constexpr cairo_operator_t kBlendOperators[] = {
    CAIRO_OPERATOR_OVER,       CAIRO_OPERATOR_MULTIPLY,   CAIRO_OPERATOR_SCREEN,     CAIRO_OPERATOR_OVERLAY,
    CAIRO_OPERATOR_DARKEN,     CAIRO_OPERATOR_LIGHTEN,    CAIRO_OPERATOR_COLOR_DODGE, CAIRO_OPERATOR_COLOR_BURN,
    CAIRO_OPERATOR_HARD_LIGHT, CAIRO_OPERATOR_SOFT_LIGHT, CAIRO_OPERATOR_DIFFERENCE, CAIRO_OPERATOR_EXCLUSION,
    CAIRO_OPERATOR_HSL_HUE,    CAIRO_OPERATOR_HSL_SATURATION, CAIRO_OPERATOR_HSL_COLOR, CAIRO_OPERATOR_HSL_LUMINOSITY};
static_assert(std::size(kBlendModeNames) == std::size(kBlendOperators));

// Swaps a held pattern reference for another.
void HoldPattern(cairo_pattern_t*& slot, cairo_pattern_t* pattern) {
  if (pattern) cairo_pattern_reference(pattern);
  if (slot) cairo_pattern_destroy(slot);
  slot = pattern;
}

}  // namespace

bool BlendModeFromName(std::string_view name, TBlendMode& mode) {
  if (name == "Compatible") name = "Normal";
  for (size_t i = 0; i < std::size(kBlendModeNames); ++i) {
    if (kBlendModeNames[i] == name) {
      mode = static_cast<TBlendMode>(i);
      return true;
    }
  }
  return false;
}

TPDFPicasso::TPDFPicasso() { clips_.push_back({-1, 0, {}, 1}); }

TPDFPicasso::~TPDFPicasso() {
  HoldPattern(fillSource_, nullptr);
  HoldPattern(strokeSource_, nullptr);
  HoldPattern(softMask_, nullptr);
  if (cr_) cairo_destroy(cr_);
  if (surface_) cairo_surface_destroy(surface_);
}

// Starts a context drawing on the surface just made (surface_); false when
// the surface or the context could not be made.
bool TPDFPicasso::StartDrawing() {
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
    return false;
  }
  cr_ = cairo_create(surface_);
  cairo_set_antialias(cr_, settings_.AntiAlias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

bool TPDFPicasso::AttachBitmap(Bitmap& target, const TGDIPlusSettings& settings) {
  settings_ = settings;
  if (target.PixelFormat() != TPixelFormat::pf32bit || target.Empty()) return false;
  if (static_cast<int>(target.Stride()) != cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, target.Width()))
    return false;
  surface_ = cairo_image_surface_create_for_data(target.Data(), CAIRO_FORMAT_RGB24, target.Width(),
                                                 target.Height(), static_cast<int>(target.Stride()));
  return StartDrawing();
}

bool TPDFPicasso::CreateSurface(int width, int height, const TGDIPlusSettings& settings) {
  settings_ = settings;
  if (width <= 0 || height <= 0) return false;
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  return StartDrawing();
}

bool TPDFPicasso::ClipExtents(double box[4]) const {
  if (!cr_) return false;
  cairo_clip_extents(cr_, &box[0], &box[1], &box[2], &box[3]);
  return box[2] > box[0] && box[3] > box[1];
}

void TPDFPicasso::Flush() {
  if (surface_) cairo_surface_flush(surface_);
}

// ---- path building ----

void TPDFPicasso::NewPath() {
  path_.clear();
  hasPath_ = true;
  figureOpen_ = false;
}

void TPDFPicasso::AddSegment(TSeg kind, std::initializer_list<double> points) {
  TSegment seg{kind, {0, 0, 0, 0, 0, 0}};
  int i = 0;
  for (double v : points) seg.P[i++] = Bound(v);
  path_.push_back(seg);
}

void TPDFPicasso::MoveTo(double x, double y) {
  if (!AllFinite({x, y})) return;
  curX_ = Bound(x);
  curY_ = Bound(y);
  figureOpen_ = false;
}

void TPDFPicasso::LineTo(double x, double y) {
  if (!AllFinite({x, y})) return;
  if (!figureOpen_) {
    AddSegment(TSeg::Move, {curX_, curY_});
    figureOpen_ = true;
  }
  AddSegment(TSeg::Line, {x, y});
  curX_ = Bound(x);
  curY_ = Bound(y);
}

void TPDFPicasso::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
  if (!AllFinite({x1, y1, x2, y2, x3, y3})) return;
  if (!figureOpen_) {
    AddSegment(TSeg::Move, {curX_, curY_});
    figureOpen_ = true;
  }
  AddSegment(TSeg::Curve, {x1, y1, x2, y2, x3, y3});
  curX_ = Bound(x3);
  curY_ = Bound(y3);
}

void TPDFPicasso::QuadCurveTo(double x1, double y1, double x2, double y2) {
  double x0 = curX_, y0 = curY_;
  CurveTo(x0 + (x1 - x0) * 2 / 3, y0 + (y1 - y0) * 2 / 3, x1 + (x2 - x1) / 3, y1 + (y2 - y1) / 3, x2, y2);
}

void TPDFPicasso::ClosePath() {
  if (!figureOpen_) return;
  AddSegment(TSeg::Close, {});
  figureOpen_ = false;
}

void TPDFPicasso::AppendPathToCairo(const std::vector<TSegment>& path) {
  cairo_new_path(cr_);
  for (const TSegment& s : path) {
    switch (s.Kind) {
      case TSeg::Move: cairo_move_to(cr_, s.P[0], s.P[1]); break;
      case TSeg::Line: cairo_line_to(cr_, s.P[0], s.P[1]); break;
      case TSeg::Curve: cairo_curve_to(cr_, s.P[0], s.P[1], s.P[2], s.P[3], s.P[4], s.P[5]); break;
      case TSeg::Close: cairo_close_path(cr_); break;
    }
  }
}

// ---- painting ----

void TPDFPicasso::SetFillRule(int rule) {
  if (rule == 1 || rule == 2) fillRule_ = rule;
}

void TPDFPicasso::SetClip(int rule) {
  SetFillRule(rule);
  clipPending_ = true;
}

void TPDFPicasso::SetDash(const std::vector<double>& lengths, double offset) {
  dash_.assign(lengths.begin(), lengths.begin() + std::min(lengths.size(), kMaxDashEntries));
  dashOffset_ = offset;
}

void TPDFPicasso::SetSourceColor(int32_t color, double alpha) {
  uint32_t c = static_cast<uint32_t>(color);
  cairo_set_source_rgba(cr_, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0,
                        UnitToByte(alpha) / 255.0);
}

bool TPDFPicasso::PrepareStroke() {
  // A zero-width pen still draws the thinnest visible line.
  double width = std::isfinite(lineWidth_) && lineWidth_ > 0 ? std::min(lineWidth_, kCoordLimit) : 1.0;
  cairo_set_line_width(cr_, width);
  static constexpr cairo_line_cap_t kCaps[] = {CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_ROUND, CAIRO_LINE_CAP_SQUARE};
  static constexpr cairo_line_join_t kJoins[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND,
                                                 CAIRO_LINE_JOIN_BEVEL};
  cairo_set_line_cap(cr_, lineCap_ >= 0 && lineCap_ <= 2 ? kCaps[lineCap_] : CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr_, lineJoin_ >= 0 && lineJoin_ <= 2 ? kJoins[lineJoin_] : CAIRO_LINE_JOIN_MITER);
  cairo_set_miter_limit(cr_, std::isfinite(miterLimit_) ? std::clamp(miterLimit_, 1.0, 1e6) : 10.0);

  // Cairo enters a permanent error state on a negative or all-zero dash,
  // and a period far below a pixel would make it emit millions of dashes:
  // such patterns draw solid.
  std::vector<double> dashes;
  double period = 0;
  bool valid = !dash_.empty() && std::isfinite(dashOffset_);
  for (double d : dash_) {
    double len = d * width;
    if (!std::isfinite(len) || len < 0) valid = false;
    dashes.push_back(len);
    period += len;
  }
  if (valid && period >= 0.1 && std::isfinite(period)) {
    double offset = std::fmod(dashOffset_ * width, period);
    cairo_set_dash(cr_, dashes.data(), static_cast<int>(dashes.size()), std::isfinite(offset) ? offset : 0);
  } else {
    cairo_set_dash(cr_, nullptr, 0, 0);
  }
  return true;
}

void TPDFPicasso::Paint(bool fill, bool stroke) {
  if (!hasPath_) {
    // Nothing to paint: a clip requested for it must not reach a later path.
    clipPending_ = false;
    return;
  }
  if (cr_ && !path_.empty()) {
    AppendPathToCairo(path_);
    if (fill) {
      cairo_set_fill_rule(cr_, fillRule_ == 2 ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
      DrawCairoPath(false, fillSource_, fillColor_, fillAlpha_);
    }
    if (stroke) {
      PrepareStroke();
      DrawCairoPath(true, strokeSource_, strokeColor_, strokeAlpha_);
    }
    cairo_new_path(cr_);
    if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) Recover();
  }
  FinishPath();
}

void TPDFPicasso::DrawCairoPath(bool stroke, cairo_pattern_t* source, int32_t color, double alpha) {
  // A solid colour carries its alpha and the operator applies directly; a
  // pattern with alpha, or anything under a soft mask, is drawn into a
  // layer first and that layer composited.
  if (!softMask_ && (!source || alpha >= 1)) {
    if (source)
      cairo_set_source(cr_, source);
    else
      SetSourceColor(color, alpha);
    // SOURCE replaces within the shape and blends by coverage at its edges.
    const bool knockOut = knockout_ && blend_ == TBlendMode::Normal;
    cairo_set_operator(cr_, knockOut ? CAIRO_OPERATOR_SOURCE : kBlendOperators[static_cast<size_t>(blend_)]);
    stroke ? cairo_stroke_preserve(cr_) : cairo_fill_preserve(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
    return;
  }
  cairo_push_group(cr_);
  if (source)
    cairo_set_source(cr_, source);
  else
    SetSourceColor(color, 1);
  stroke ? cairo_stroke_preserve(cr_) : cairo_fill_preserve(cr_);
  cairo_pop_group_to_source(cr_);
  CompositeSource(alpha);
}

void TPDFPicasso::FillMask(cairo_surface_t* mask, int x, int y) {
  if (!cr_ || !mask) return;
  SetSourceColor(fillColor_, fillAlpha_);
  cairo_set_operator(cr_, kBlendOperators[static_cast<size_t>(blend_)]);
  cairo_mask_surface(cr_, mask, x, y);
  cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) Recover();
}

void TPDFPicasso::CompositeSource(double alpha) {
  alpha = UnitToByte(alpha) / 255.0;
  cairo_set_operator(cr_, kBlendOperators[static_cast<size_t>(blend_)]);
  if (softMask_) {
    if (alpha < 1) {
      cairo_push_group(cr_);
      cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
      cairo_paint_with_alpha(cr_, alpha);
      cairo_pop_group_to_source(cr_);
    }
    cairo_mask(cr_, softMask_);
  } else {
    cairo_paint_with_alpha(cr_, alpha);
  }
  cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
}

void TPDFPicasso::SetFillSource(cairo_pattern_t* pattern) { HoldPattern(fillSource_, pattern); }
void TPDFPicasso::SetStrokeSource(cairo_pattern_t* pattern) { HoldPattern(strokeSource_, pattern); }
void TPDFPicasso::SetSoftMask(cairo_pattern_t* mask) { HoldPattern(softMask_, mask); }

void TPDFPicasso::PaintSource(cairo_pattern_t* pattern, double alpha) {
  if (!cr_ || !pattern) return;
  cairo_new_path(cr_);
  cairo_set_source(cr_, pattern);
  CompositeSource(alpha);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) Recover();
}

cairo_pattern_t* TPDFPicasso::ClippedSource(cairo_pattern_t* source,
                                            const std::vector<std::pair<double, double>>& polygon) {
  if (!cr_ || !source || polygon.size() < 3) return nullptr;
  // The path being built may already be in the context: keep it.
  cairo_path_t* pending = cairo_copy_path(cr_);
  cairo_save(cr_);
  cairo_reset_clip(cr_);
  cairo_new_path(cr_);
  cairo_move_to(cr_, polygon[0].first, polygon[0].second);
  for (size_t i = 1; i < polygon.size(); ++i) cairo_line_to(cr_, polygon[i].first, polygon[i].second);
  cairo_close_path(cr_);
  cairo_clip(cr_);
  cairo_push_group(cr_);
  cairo_set_source(cr_, source);
  cairo_paint(cr_);
  cairo_pattern_t* clipped = cairo_pop_group(cr_);
  cairo_restore(cr_);
  cairo_new_path(cr_);
  if (pending->status == CAIRO_STATUS_SUCCESS) cairo_append_path(cr_, pending);
  cairo_path_destroy(pending);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) Recover();
  return clipped;
}

void TPDFPicasso::BeginGroup(bool knockout) {
  if (!cr_) return;
  groupClips_.push_back(currentClip_);
  groupKnockouts_.push_back(knockout_);
  knockout_ = knockout;
  cairo_push_group(cr_);
}

void TPDFPicasso::EndGroup(double alpha) {
  if (!cr_ || groupClips_.empty()) return;
  // The layer's save level sits above the clip node current at BeginGroup;
  // clips added inside must be undone before the layer is popped.
  RestoreClip(groupClips_.back());
  groupClips_.pop_back();
  knockout_ = groupKnockouts_.back();
  groupKnockouts_.pop_back();
  cairo_pop_group_to_source(cr_);
  CompositeSource(alpha);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) Recover();
}

void TPDFPicasso::FinishPath() {
  if (clipPending_ && cr_) {
    clips_.push_back({currentClip_, clips_[currentClip_].Depth + 1, path_, fillRule_});
    PushClipNode(static_cast<int32_t>(clips_.size() - 1));
  }
  clipPending_ = false;
  path_.clear();
  hasPath_ = false;
  figureOpen_ = false;
}

void TPDFPicasso::StrokePath() { Paint(false, true); }
void TPDFPicasso::FillPath() { Paint(true, false); }
void TPDFPicasso::FillStrokePath() { Paint(true, true); }
void TPDFPicasso::EndPath() { Paint(false, false); }

// ---- clipping ----

// Intersects the Cairo clip with one node, one save level deeper.
void TPDFPicasso::PushClipNode(int32_t node) {
  cairo_save(cr_);
  const TClipNode& n = clips_[node];
  AppendPathToCairo(n.Path);
  cairo_set_fill_rule(cr_, n.Rule == 2 ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  cairo_clip(cr_);
  currentClip_ = node;
}

int32_t TPDFPicasso::SaveClip() { return cr_ ? currentClip_ : 0; }

void TPDFPicasso::RestoreClip(int32_t handle) {
  if (!cr_ || handle < 0 || handle >= static_cast<int32_t>(clips_.size()) || handle == currentClip_) return;
  // Walk up while the target is an ancestor; otherwise rebuild from the root.
  std::vector<int32_t> chain;
  for (int32_t n = handle; n > 0; n = clips_[n].Parent) chain.push_back(n);
  int32_t common = currentClip_;
  auto inChain = [&](int32_t n) { return n == 0 || std::find(chain.begin(), chain.end(), n) != chain.end(); };
  while (!inChain(common)) {
    cairo_restore(cr_);
    common = clips_[common].Parent;
  }
  currentClip_ = common;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    if (clips_[*it].Depth > clips_[common].Depth) PushClipNode(*it);
  currentClip_ = handle;
}

// A context in an error state draws nothing more; start a fresh one on the
// same surface with the current clip.
void TPDFPicasso::Recover() {
  cairo_destroy(cr_);
  groupClips_.clear();
  cr_ = cairo_create(surface_);
  cairo_set_antialias(cr_, settings_.AntiAlias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  int32_t target = currentClip_;
  std::vector<int32_t> chain;
  for (int32_t n = target; n > 0; n = clips_[n].Parent) chain.push_back(n);
  currentClip_ = 0;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) PushClipNode(*it);
}

// ---- images ----

namespace {

// An ARGB32 copy of a bitmap; 32-bit sources are read as straight alpha.
cairo_surface_t* SurfaceOf(const Bitmap& source, bool useKey, uint32_t low, uint32_t high) {
  Bitmap converted;
  const Bitmap* bm = &source;
  if (source.PixelFormat() != TPixelFormat::pf24bit && source.PixelFormat() != TPixelFormat::pf32bit) {
    converted = source.ConvertedTo24Bit();
    bm = &converted;
  }
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bm->Width(), bm->Height());
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  bool alpha = bm->PixelFormat() == TPixelFormat::pf32bit;
  int bpp = alpha ? 4 : 3;
  auto inKey = [&](uint32_t r, uint32_t g, uint32_t b) {
    return r >= (low & 0xFF) && r <= (high & 0xFF) && g >= ((low >> 8) & 0xFF) && g <= ((high >> 8) & 0xFF) &&
           b >= ((low >> 16) & 0xFF) && b <= ((high >> 16) & 0xFF);
  };
  for (int y = 0; y < bm->Height(); ++y) {
    const uint8_t* in = bm->Row(y);
    auto* out = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < bm->Width(); ++x, in += bpp) {
      uint32_t b = in[0], g = in[1], r = in[2], a = alpha ? in[3] : 255;
      if (useKey && inKey(r, g, b)) a = 0;
      if (a != 255) {
        r = (r * a + 127) / 255;
        g = (g * a + 127) / 255;
        b = (b * a + 127) / 255;
      }
      out[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

}  // namespace

void TPDFPicasso::PlaceSurface(cairo_surface_t* surface, int width, int height, double x1, double y1, double x2,
                               double y2, double x3, double y3) {
  cairo_matrix_t m;
  cairo_matrix_init(&m, (x2 - x1) / width, (y2 - y1) / width, (x3 - x1) / height, (y3 - y1) / height, x1, y1);
  // A singular or non-finite placement would poison the context.
  if (!AllFinite({m.xx, m.yx, m.xy, m.yy, m.x0, m.y0})) return;
  double det = m.xx * m.yy - m.xy * m.yx;
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return;
  if (cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS) return;
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
  cairo_pattern_set_matrix(pattern, &m);
  cairo_pattern_set_filter(pattern, settings_.SmoothImages ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_NONE);
  cairo_set_source(cr_, pattern);
  // Painting with the pattern (not filling the placed rectangle) keeps far
  // corners out of Cairo's fixed-point path coordinates.
  CompositeSource(fillAlpha_);
  cairo_pattern_destroy(pattern);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) Recover();
}

void TPDFPicasso::DrawGraphic(const Bitmap& graphic, double x1, double y1, double x2, double y2, double x3,
                              double y3) {
  DrawImage(graphic, false, 0, 0, x1, y1, x2, y2, x3, y3);
}

void TPDFPicasso::DrawGraphicKeyed(const Bitmap& graphic, int32_t keyLow, int32_t keyHigh, double x1, double y1,
                                   double x2, double y2, double x3, double y3) {
  DrawImage(graphic, true, keyLow, keyHigh, x1, y1, x2, y2, x3, y3);
}

void TPDFPicasso::DrawImage(const Bitmap& graphic, bool useKey, int32_t keyLow, int32_t keyHigh, double x1,
                            double y1, double x2, double y2, double x3, double y3) {
  if (!cr_ || graphic.Empty() || !AllFinite({x1, y1, x2, y2, x3, y3})) return;
  cairo_surface_t* s = SurfaceOf(graphic, useKey, static_cast<uint32_t>(keyLow), static_cast<uint32_t>(keyHigh));
  if (!s) return;
  PlaceSurface(s, graphic.Width(), graphic.Height(), x1, y1, x2, y2, x3, y3);
  cairo_surface_destroy(s);
}

void TPDFPicasso::DrawBitmapRect(const Bitmap& bitmap, double left, double top, double width, double height) {
  DrawGraphic(bitmap, left, top, left + width, top, left, top + height);
}

}  // namespace ostrel
