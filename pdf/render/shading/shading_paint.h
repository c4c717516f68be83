#pragma once
// Shadings turned into Cairo patterns that paint in device space: axial and
// radial shadings as Cairo gradients, meshes as Cairo mesh patterns, and
// function-based shadings as a sampled image.
#include <cstdint>

#include "pdf/render/content/render_matrix.h"

typedef struct _cairo_pattern cairo_pattern_t;

namespace ostrel {

class TPDFObject;
class TPDFSimpleColorManager;

// Holds one reference to a Cairo pattern.
class TCairoPattern {
 public:
  TCairoPattern() = default;
  explicit TCairoPattern(cairo_pattern_t* owned) : p_(owned) {}
  TCairoPattern(const TCairoPattern& other);
  TCairoPattern& operator=(TCairoPattern other);
  ~TCairoPattern();
  cairo_pattern_t* Get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  cairo_pattern_t* p_ = nullptr;
};

struct TShadingPaint {
  TCairoPattern Pattern;
  // The shading's /BBox in shading space, when it has one.
  bool HasBBox = false;
  double BBox[4] = {0, 0, 0, 0};
};

// Device-space box (x0, y0, x1, y1) that will be painted: sampled shadings
// never take more samples than it has pixels.
struct TDeviceArea {
  double X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
};

// Makes the pattern of a shading dictionary or stream; toDevice maps the
// shading's space to device pixels. withBackground paints /Background where
// the shading leaves gaps (patterns do, the sh operator does not). False
// when the shading is unusable; nothing is then painted.
bool MakeShadingPaint(TPDFObject* shading, TPDFSimpleColorManager& manager, const TPDFMatrix& toDevice,
                      const TDeviceArea& area, bool withBackground, TShadingPaint& out);

}  // namespace ostrel
