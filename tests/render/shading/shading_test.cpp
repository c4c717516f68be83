// Shadings painted through sh and as fill patterns: colours at chosen pixels
// against values worked out by hand from each shading's definition.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/render/shading/paint_probe.h"

namespace ostrel {
namespace {

using test::Bytes;
using test::Probe;
using test::RenderFixture;

constexpr const char* kRedToBlue = "<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >>";
constexpr const char* kBlackToWhite = "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>";

TEST(RendererShading, ColoursAtChosenPixels) {
  struct Case {
    const char* name;
    // Makes the shading object; it is entered as /Sh in the page's shadings.
    std::function<TPDFObject*(RenderFixture&)> shading;
    const char* content;
    std::vector<Probe> probes;
  };
  auto dict = [](std::string text) {
    return [text](RenderFixture& f) -> TPDFObject* { return f.Dict(text); };
  };
  const std::string axial = std::string("<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] /Function ") +
                            kRedToBlue;
  const Case cases[] = {
      // Pixel centre x = 50.5 gives t = 0.505: red 0.495, blue 0.505.
      {"axial midpoint", dict(axial + " >>"), "/Sh sh", {{50, 10, 0x7E0081, 1}, {0, 10, 0xFE0001, 2}}},
      // An axial shading that does not extend leaves the page white beyond
      // its ends; one that does continues its end colours.
      {"axial ends",
       dict("<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [20 0 80 0] /Function " + std::string(kRedToBlue) +
            " /Extend [false true] >>"),
       "/Sh sh",
       {{10, 10, 0xFFFFFF, 0}, {90, 10, 0x0000FF, 0}}},
      // Gray radial from the centre: 20.5 points out of 40 is t = 0.5125.
      {"radial",
       dict("<< /ShadingType 3 /ColorSpace /DeviceGray /Coords [50 50 0 50 50 40] /Function " +
            std::string(kBlackToWhite) + " >>"),
       "/Sh sh",
       {{70, 49, 0x838383, 2}, {50, 95, 0xFFFFFF, 0}}},
      // gray = y / 100 from a calculator function over the page.
      {"function-based",
       [](RenderFixture& f) -> TPDFObject* {
         TPDFDictionary* fn = f.Dict("<< /FunctionType 4 /Domain [0 100 0 100] /Range [0 1] >>");
         TPDFObject* stream = f.Stream("{ exch pop 100 div }", fn);
         TPDFDictionary* sh = f.Dict("<< /ShadingType 1 /ColorSpace /DeviceGray /Domain [0 100 0 100] >>");
         sh->SetValue("Function", stream);
         return sh;
       },
       "/Sh sh",
       {{30, 24, 0xBFBFBF, 2}, {30, 74, 0x3F3F3F, 2}}},
      // A Separation space through its tint transform: tint 0 is white,
      // tint 1 pure red; the shading runs the tint from 0 to 1 along x.
      {"separation space",
       dict("<< /ShadingType 2 /ColorSpace [/Separation /Spot /DeviceRGB << /FunctionType 2 /Domain [0 1] "
            "/C0 [1 1 1] /C1 [1 0 0] /N 1 >>] /Coords [0 0 100 0] /Function " +
            std::string(kBlackToWhite) + " >>"),
       "/Sh sh",
       {{50, 50, 0xFF7E7E, 2}}},
      // Gouraud triangle (0,0) red, (200,0) green, (0,200) blue: at user
      // (50.5, 50.5) the weights are 0.495, 0.2525, 0.2525.
      {"free-form triangle",
       [](RenderFixture& f) -> TPDFObject* {
         TPDFDictionary* d = f.Dict(
             "<< /ShadingType 4 /ColorSpace /DeviceRGB /BitsPerCoordinate 8 /BitsPerComponent 8 /BitsPerFlag 8 "
             "/Decode [0 255 0 255 0 1 0 1 0 1] >>");
         return f.Stream(Bytes({0, 0, 0, 255, 0, 0, 0, 200, 0, 0, 255, 0, 0, 0, 200, 0, 0, 255}), d);
       },
       "/Sh sh",
       {{50, 49, 0x7E4040, 3}, {1, 98, 0xFA0303, 4}, {98, 1, 0x037E7E, 3}}},
      // A lattice of two rows of two vertices: a square whose gray is x / 100.
      {"lattice",
       [](RenderFixture& f) -> TPDFObject* {
         TPDFDictionary* d = f.Dict(
             "<< /ShadingType 5 /ColorSpace /DeviceGray /BitsPerCoordinate 8 /BitsPerComponent 8 "
             "/VerticesPerRow 2 /Decode [0 255 0 255 0 1] >>");
         return f.Stream(Bytes({0, 0, 0, 100, 0, 255, 0, 100, 0, 100, 100, 255}), d);
       },
       "/Sh sh",
       {{20, 50, 0x343434, 2}, {80, 10, 0xCDCDCD, 2}}},
      // A Coons patch over the page, corners red (0,0), green (0,100),
      // blue (100,100) and black (100,0): the centre is their average.
      {"coons patch",
       [](RenderFixture& f) -> TPDFObject* {
         TPDFDictionary* d = f.Dict(
             "<< /ShadingType 6 /ColorSpace /DeviceRGB /BitsPerCoordinate 8 /BitsPerComponent 8 /BitsPerFlag 8 "
             "/Decode [0 255 0 255 0 1 0 1 0 1] >>");
         // Flag, the twelve boundary points from (0,0) up the left side and
         // round, then the four corner colours.
         return f.Stream(Bytes({0, 0, 0, 0, 33, 0, 67, 0, 100, 33, 100, 67, 100, 100, 100, 100, 67, 100, 33, 100, 0, 67, 0, 33, 0,
                                255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0}),
                           d);
       },
       "/Sh sh",
       {{49, 49, 0x404040, 4}, {1, 98, 0xFA0000, 6}, {98, 1, 0x0000FA, 6}}},
      // The same axial shading as a fill pattern, through a pattern matrix
      // that halves it: the midpoint moves to x = 25, and beyond x = 50 the
      // shading, which does not extend, leaves the fill unpainted.
      {"shading pattern",
       [&](RenderFixture& f) -> TPDFObject* {
         TPDFDictionary* pattern = f.Dict("<< /PatternType 2 /Matrix [0.5 0 0 1 0 0] >>");
         pattern->SetValue("Shading", f.Dict(axial + " >>"));
         f.AddResource("Pattern", "P0", f.Indirect(pattern));
         return f.Dict(axial + " >>");
       },
       "/Pattern cs /P0 scn 0 0 100 40 re f",
       {{25, 80, 0x7D0082, 2}, {75, 80, 0xFFFFFF, 0}, {25, 30, 0xFFFFFF, 0}}},
      // Broken shadings paint nothing and leave the page usable.
      {"broken", dict("<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0] /Function 7 >>"),
       "/Sh sh 0 0 1 rg 0 0 10 10 re f",
       {{50, 50, 0xFFFFFF, 0}, {5, 95, 0x0000FF, 0}}},
      {"truncated mesh",
       [](RenderFixture& f) -> TPDFObject* {
         TPDFDictionary* d = f.Dict(
             "<< /ShadingType 7 /ColorSpace /DeviceRGB /BitsPerCoordinate 32 /BitsPerComponent 16 "
             "/BitsPerFlag 8 /Decode [0 1 0 1 0 1 0 1 0 1] >>");
         return f.Stream(Bytes({0, 1, 2, 3, 4, 5}), d);
       },
       "/Sh sh",
       {{50, 50, 0xFFFFFF, 0}}},
  };
  for (const Case& c : cases) {
    RenderFixture f;
    f.SetEntry("MediaBox", "[0 0 100 100]");
    f.AddResource("Shading", "Sh", c.shading(f));
    f.SetContent(c.content);
    Bitmap b = f.Render();
    ASSERT_EQ(b.Width(), 100) << c.name;
    EXPECT_TRUE(f.lastError.empty()) << c.name << ": " << f.lastError;
    for (const Probe& p : c.probes) test::ExpectNear(b, p, c.name);
  }
}

}  // namespace
}  // namespace ostrel
