#include "pdf/render/canvas/picasso.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "pdf/render/canvas/generic_shape.h"
#include "platform/bitmap.h"

namespace ostrel {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0xFF0000;  // PixelRGB gives 0x00RRGGBB

struct Surface {
  explicit Surface(int w = 40, int h = 40) {
    bitmap.SetSize(w, h, TPixelFormat::pf32bit);
    std::memset(bitmap.Data(), 0xFF, bitmap.Stride() * h);
    TGDIPlusSettings settings;
    settings.AntiAlias = 0;  // exact pixels
    EXPECT_TRUE(canvas.AttachBitmap(bitmap, settings));
  }
  uint32_t At(int x, int y) {
    canvas.Flush();
    return bitmap.PixelRGB(x, y);
  }
  void Rect(double x0, double y0, double x1, double y1) {
    canvas.MoveTo(x0, y0);
    canvas.LineTo(x1, y0);
    canvas.LineTo(x1, y1);
    canvas.LineTo(x0, y1);
    canvas.ClosePath();
  }
  Bitmap bitmap;
  TPDFPicasso canvas;
};

TEST(Picasso, FillRulesDecideTheHoleOfNestedFigures) {
  for (int rule : {1, 2}) {
    Surface s;
    s.canvas.NewPath();
    s.Rect(0, 0, 40, 40);
    s.Rect(10, 10, 30, 30);  // same direction: a hole only for even-odd
    s.canvas.SetFillRule(rule);
    s.canvas.FillPath();
    EXPECT_EQ(s.At(5, 5), kBlack);
    EXPECT_EQ(s.At(20, 20), rule == 1 ? kBlack : kWhite) << "rule " << rule;
  }
}

TEST(Picasso, ClipTakesEffectAfterThePaintingOfItsOwnPath) {
  Surface s;
  s.canvas.NewPath();
  s.Rect(0, 0, 20, 40);
  s.canvas.SetClip(1);
  s.canvas.SetFillColor(0x0000FF);  // red in 0x00BBGGRR
  s.canvas.FillPath();
  s.canvas.NewPath();
  s.Rect(0, 0, 40, 40);
  s.canvas.SetFillColor(0);
  s.canvas.FillPath();
  EXPECT_EQ(s.At(10, 10), kBlack);
  EXPECT_EQ(s.At(30, 10), kWhite);  // the second fill is clipped
}

TEST(Picasso, ClipHandlesRestoreInAnyOrder) {
  Surface s;
  int32_t whole = s.canvas.SaveClip();
  EXPECT_EQ(s.canvas.SaveClip(), whole);  // no change, same handle
  s.canvas.NewPath();
  s.Rect(0, 0, 20, 40);
  s.canvas.SetClip(1);
  s.canvas.EndPath();
  int32_t left = s.canvas.SaveClip();
  EXPECT_NE(left, whole);
  s.canvas.NewPath();
  s.Rect(0, 0, 40, 20);
  s.canvas.SetClip(1);
  s.canvas.EndPath();
  int32_t topLeft = s.canvas.SaveClip();

  auto fill = [&](int32_t color) {
    s.canvas.SetFillColor(color);
    s.canvas.NewPath();
    s.Rect(0, 0, 40, 40);
    s.canvas.FillPath();
  };
  s.canvas.RestoreClip(whole);
  fill(0xFF0000);  // blue everywhere
  s.canvas.RestoreClip(topLeft);  // not an ancestor of "whole": replayed
  fill(0x0000FF);
  EXPECT_EQ(s.At(5, 5), kRed);
  EXPECT_EQ(s.At(30, 5), 0x0000FFu);
  EXPECT_EQ(s.At(5, 30), 0x0000FFu);
  s.canvas.RestoreClip(left);
  fill(0x00FF00);
  EXPECT_EQ(s.At(5, 30), 0x00FF00u);
  EXPECT_EQ(s.At(30, 30), 0x0000FFu);
}

TEST(Picasso, PendingClipWithoutAPathIsDropped) {
  Surface s;
  s.canvas.SetClip(1);
  s.canvas.EndPath();  // no path: the clip request ends here
  s.canvas.NewPath();
  s.Rect(0, 0, 10, 10);
  s.canvas.FillPath();  // must paint, not become a clip
  s.canvas.NewPath();
  s.Rect(0, 0, 40, 40);
  s.canvas.FillPath();
  EXPECT_EQ(s.At(30, 30), kBlack);
}

TEST(Picasso, DashesAreMultiplesOfTheLineWidth) {
  Surface s(60, 10);
  s.canvas.NewPath();
  s.canvas.MoveTo(0, 5);
  s.canvas.LineTo(60, 5);
  s.canvas.SetLineWidth(2);
  s.canvas.SetDash({3, 3}, 0);
  s.canvas.StrokePath();
  for (int x : {1, 4, 13, 16, 25}) EXPECT_EQ(s.At(x, 5), kBlack) << x;
  for (int x : {7, 10, 19, 22, 31}) EXPECT_EQ(s.At(x, 5), kWhite) << x;
}

TEST(Picasso, PoisonousInputsDoNotBlankTheRestOfThePage) {
  Surface s;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  s.canvas.NewPath();
  s.canvas.MoveTo(0, 0);
  s.canvas.LineTo(nan, 5);
  s.canvas.LineTo(1e300, -1e300);  // far beyond Cairo's fixed-point range
  s.canvas.LineTo(40, 40);
  s.canvas.SetDash({0, 0}, 0);   // all zero
  s.canvas.StrokePath();
  s.canvas.SetDash({-1, 2}, 0);  // negative
  s.canvas.NewPath();
  s.canvas.MoveTo(0, 20.5);
  s.canvas.LineTo(40, 20.5);
  s.canvas.StrokePath();
  Bitmap one(1, 1, TPixelFormat::pf24bit);
  s.canvas.DrawGraphic(one, 5, 5, 5, 5, 5, 5);  // singular placement
  s.canvas.NewPath();
  s.Rect(30, 30, 40, 40);
  s.canvas.SetFillColor(0x0000FF);
  s.canvas.FillPath();
  EXPECT_EQ(s.At(35, 35), kRed);
  EXPECT_EQ(s.At(20, 20), kBlack);  // the solid line drawn despite its dash
}

TEST(Picasso, AlphaAndChannelsRoundIndependently) {
  Surface s;
  s.canvas.NewPath();
  s.Rect(0, 0, 40, 40);
  s.canvas.SetFillAlpha(0.5);
  s.canvas.FillPath();
  uint32_t p = s.At(10, 10);
  EXPECT_NEAR(static_cast<int>(p & 0xFF), 127, 1);
  EXPECT_EQ(p & 0xFF, (p >> 8) & 0xFF);
}

TEST(Picasso, QuadraticCurveEqualsItsCubic) {
  TPDFGenericShape shape;
  Surface a, b;
  for (Surface* s : {&a, &b}) s->canvas.NewPath();
  a.canvas.MoveTo(0, 0);
  a.canvas.QuadCurveTo(30, 30, 39, 0);
  b.canvas.MoveTo(0, 0);
  b.canvas.CurveTo(20, 20, 33, 20, 39, 0);
  a.canvas.FillPath();
  b.canvas.FillPath();
  a.canvas.Flush();
  b.canvas.Flush();
  EXPECT_EQ(0, std::memcmp(a.bitmap.Data(), b.bitmap.Data(), a.bitmap.Stride() * 40));
}

TEST(Picasso, ImagesArePlacedByThreePointsWithNearestSampling) {
  Surface s;
  Bitmap img(2, 2, TPixelFormat::pf24bit);
  img.Row(0)[2] = 0xFF;  // top-left red (B, G, R bytes)
  img.Row(1)[3 + 1] = 0xFF;  // bottom-right green
  s.canvas.DrawGraphic(img, 0, 0, 20, 0, 0, 20);
  EXPECT_EQ(s.At(3, 3), kRed);
  EXPECT_EQ(s.At(9, 9), kRed);
  EXPECT_EQ(s.At(15, 15), 0x00FF00u);
  EXPECT_EQ(s.At(15, 3), kBlack);
  EXPECT_EQ(s.At(25, 25), kWhite);
  // Flipped vertically through the points: top-left now at the bottom.
  s.canvas.DrawGraphicKeyed(img, 0, 0, 20, 40, 40, 40, 20, 20);  // black keyed out
  EXPECT_EQ(s.At(25, 35), kRed);
  EXPECT_EQ(s.At(35, 25), 0x00FF00u);
  EXPECT_EQ(s.At(35, 35), kWhite);  // keyed black pixel not drawn
}

TEST(GenericShape, ReplayMapsEveryPointThroughTheMatrix) {
  TPDFGenericShape glyph, out;
  glyph.MoveTo(0, 0);
  glyph.LineTo(10, 0);
  glyph.QuadCurveTo(10, 10, 0, 10);
  glyph.ClosePath();
  glyph.Replay(out, {2, 0, 0, -2, 5, 100});
  ASSERT_EQ(out.Commands().size(), 4u);
  EXPECT_EQ(out.Commands()[1].P[0], 25);
  EXPECT_EQ(out.Commands()[1].P[1], 100);
  EXPECT_EQ(out.Commands()[2].Kind, TPDFGenericShape::kQuadCurveTo);
  EXPECT_EQ(out.Commands()[2].P[3], 80);
}

}  // namespace
}  // namespace ostrel
