// Axial and radial shadings as Cairo gradients. Cairo's radial gradient
// follows the same two-circle model, so only the colours along t need work:
// the function is sampled into colour stops, finely enough that the straight
// line Cairo draws between two stops never strays a whole 8-bit level from
// the function's own colour.
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "pdf/render/shading/shading_source.h"

namespace ostrel {

namespace {

// Stops start evenly spaced this deep and are halved at most this deep.
constexpr int kMinDepth = 3;
constexpr int kMaxDepth = 10;
constexpr double kLevel = 1.0 / 255;

struct TStop {
  double Offset;
  TRGBA Color;
};

class TStopSampler {
 public:
  TStopSampler(const TShadingSource& source, double t0, double t1) : source_(source), t0_(t0), t1_(t1) {}

  std::vector<TStop> Sample() {
    TRGBA a = At(0), b = At(1);
    stops_.push_back({0, a});
    Split(0, 1, a, b, 0);
    return std::move(stops_);
  }

 private:
  TRGBA At(double s) const {
    double t = t0_ + s * (t1_ - t0_);
    return source_.Color(std::span<const double>(&t, 1));
  }

  void Split(double s0, double s1, const TRGBA& c0, const TRGBA& c1, int depth) {
    double sm = (s0 + s1) / 2;
    TRGBA cm = At(sm);
    double error = 0;
    for (int i = 0; i < 3; ++i) error = std::max(error, std::fabs(cm[i] - (c0[i] + c1[i]) / 2));
    if (depth < kMaxDepth && (depth < kMinDepth || error > kLevel)) {
      Split(s0, sm, c0, cm, depth + 1);
      Split(sm, s1, cm, c1, depth + 1);
    } else {
      stops_.push_back({s1, c1});
    }
  }

  const TShadingSource& source_;
  double t0_, t1_;
  std::vector<TStop> stops_;
};

void AddStop(cairo_pattern_t* p, double offset, const TRGBA& c) {
  cairo_pattern_add_color_stop_rgba(p, offset, c[0], c[1], c[2], c[3]);
}

}  // namespace

TCairoPattern MakeGradientPattern(const TShadingSource& source, const TPDFMatrix& toDevice, bool withBackground) {
  const bool radial = source.Type == 3;
  double coords[6];
  if (!ReadShadingNumbers(source.Dict, "Coords", coords, radial ? 6 : 4)) return {};
  double domain[2] = {0, 1};
  ReadShadingNumbers(source.Dict, "Domain", domain, 2);
  bool extend[2] = {false, false};
  if (auto* list = PdfCast<TPDFArray>(ResolveChain(source.Dict->GetValue("Extend"))); list && list->Count() == 2) {
    for (size_t i = 0; i < 2; ++i)
      if (auto* flag = PdfCast<TPDFBoolean>(list->ItemResolved(i))) extend[i] = flag->Value;
  }
  if (radial && (coords[2] < 0 || coords[5] < 0)) return {};

  cairo_pattern_t* p = radial ? cairo_pattern_create_radial(coords[0], coords[1], coords[2], coords[3], coords[4],
                                                            coords[5])
                              : cairo_pattern_create_linear(coords[0], coords[1], coords[2], coords[3]);
  TCairoPattern pattern(p);
  TPDFMatrix inverse;
  if (!InvertMatrix(toDevice, inverse)) return {};
  SetPatternMatrix(p, inverse);

  // Cairo extends both ends or neither; an end that must not extend gets a
  // second stop at the same offset in the colour beyond it (transparent,
  // or the pattern's background).
  TRGBA beyond{0, 0, 0, 0};
  if (withBackground) source.Background(beyond);
  std::vector<TStop> stops = TStopSampler(source, domain[0], domain[1]).Sample();
  if (!extend[0]) AddStop(p, 0, beyond);
  for (const TStop& s : stops) AddStop(p, s.Offset, s.Color);
  if (!extend[1]) AddStop(p, 1, beyond);
  cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
  return pattern;
}

}  // namespace ostrel
