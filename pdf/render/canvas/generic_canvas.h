#pragma once
// The drawing surface that the renderer, the glyph rasterizers and the image
// decoder draw through. Coordinates are device pixels: origin at the top-left
// of the page bitmap, y growing downwards.
#include <cstdint>
#include <string>

#include "pdf/render/canvas/canvas_settings.h"

namespace ostrel {

class Bitmap;

// Back-end switches handed from the caller to the canvas. The GDI fallback of
// the original design is not built; the switches are still accepted so that
// callers can pass the same record.

class TPDFGenericCanvas {
 public:
  virtual ~TPDFGenericCanvas() = default;

  virtual void NewPath() = 0;
  virtual void MoveTo(double x, double y) = 0;
  virtual void LineTo(double x, double y) = 0;
  // Two control points and the end point.
  virtual void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) = 0;
  // Control point and end point; drawn as the equivalent cubic.
  virtual void QuadCurveTo(double x1, double y1, double x2, double y2) = 0;
  virtual void ClosePath() = 0;
  virtual void StrokePath() = 0;
  virtual void FillPath() = 0;
  virtual void FillStrokePath() = 0;
  // Places a raster so that its top-left, top-right and bottom-left corners
  // land on points 1, 2 and 3.
  virtual void DrawGraphic(const Bitmap& graphic, double x1, double y1, double x2, double y2, double x3,
                           double y3) = 0;
};

}  // namespace ostrel
