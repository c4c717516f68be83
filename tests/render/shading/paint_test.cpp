// Tiling patterns, blend modes, soft masks and transparency groups: colours
// at chosen pixels against values worked out by hand.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/render/shading/paint_probe.h"

namespace ostrel {
namespace {

using test::Probe;
using test::RenderFixture;

// A form XObject of the page: a 100 x 100 box, the given dictionary entries
// and content.
TPDFObject* Form(RenderFixture& f, const std::string& entries, const std::string& content) {
  return f.Stream(content, f.Dict("<< /Type /XObject /Subtype /Form /BBox [0 0 100 100] " + entries + " >>"));
}

// A tiling pattern whose 10 x 10 cell holds a 5 x 5 square in its corner.
TPDFObject* Tiling(RenderFixture& f, const std::string& entries) {
  return f.Stream("0 0 5 5 re f",
                  f.Dict("<< /PatternType 1 /TilingType 1 /BBox [0 0 10 10] /XStep 10 /YStep 10 /Resources << >> " +
                         entries + " >>"));
}

TEST(RendererPaint, ColoursAtChosenPixels) {
  struct Case {
    const char* name;
    // Enters what the content needs into the page's resources.
    std::function<void(RenderFixture&)> resources;
    const char* content;
    std::vector<Probe> probes;
  };
  const Case cases[] = {
      // Squares at every 10 points: user (2.5, 2.5) and (12.5, 2.5) are in
      // one, (7.5, 2.5) is between two.
      {"coloured tiling",
       [](RenderFixture& f) { f.AddResource("Pattern", "P", Tiling(f, "/PaintType 1")); },
       "/Pattern cs /P scn 0 0 100 100 re f",
       {{2, 97, 0x000000, 0}, {7, 97, 0xFFFFFF, 0}, {12, 97, 0x000000, 0}, {92, 7, 0x000000, 0}}},
      // An uncoloured cell is painted in the colour given with scn.
      {"uncoloured tiling",
       [](RenderFixture& f) {
         f.AddResource("Pattern", "P", Tiling(f, "/PaintType 2"));
         f.AddResource("ColorSpace", "CS", f.Pool().ParseObject("[/Pattern /DeviceRGB]"));
       },
       "/CS cs 1 0 0 /P scn 0 0 100 100 re f",
       {{2, 97, 0xFF0000, 0}, {7, 97, 0xFFFFFF, 0}}},
      // A cell of a tenth of a pixel, a quarter covered: its average.
      {"tiling finer than a pixel",
       [](RenderFixture& f) {
         f.AddResource("Pattern", "P", Tiling(f, "/PaintType 1 /Matrix [0.01 0 0 0.01 0 0]"));
       },
       "/Pattern cs /P scn 0 0 100 100 re f",
       {{50, 50, 0xBFBFBF, 24}}},
      // Multiply: (1, 0.5, 0.5) under (0.5, 1, 0.5) gives (0.5, 0.5, 0.25).
      {"multiply",
       [](RenderFixture& f) { f.AddResource("ExtGState", "GS", f.Dict("<< /BM /Multiply >>")); },
       "1 0.5 0.5 rg 0 0 100 100 re f /GS gs 0.5 1 0.5 rg 0 0 50 100 re f",
       {{25, 50, 0x808040, 1}, {75, 50, 0xFF8080, 1}}},
      // Screen of the same colours: 1 - (1 - a)(1 - b).
      {"screen in an array",
       [](RenderFixture& f) { f.AddResource("ExtGState", "GS", f.Dict("<< /BM [/Unknown /Screen] >>")); },
       "1 0.5 0.5 rg 0 0 100 100 re f /GS gs 0.5 1 0.5 rg 0 0 50 100 re f",
       {{25, 50, 0xFFFFBF, 1}}},
      // Constant alpha: black at 0.5 over white, for a fill and an image.
      {"constant alpha",
       [](RenderFixture& f) { f.AddResource("ExtGState", "GS", f.Dict("<< /ca 0.5 /CA 0.5 >>")); },
       "/GS gs 0 0 50 100 re f q 50 0 0 100 50 0 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x01 EI Q",
       {{25, 50, 0x808080, 1}, {75, 50, 0x808080, 1}}},
      // A luminosity mask whose group is white on the left half: blue shows
      // there and nowhere else; its edge falls at x = 50.
      {"luminosity mask",
       [](RenderFixture& f) {
         TPDFDictionary* gs = f.Dict("<< /SMask << /S /Luminosity >> >>");
         PdfCast<TPDFDictionary>(gs->GetValue("SMask"))
             ->SetValue("G", Form(f, "/Group << /S /Transparency /CS /DeviceGray >>", "1 g 0 0 50 100 re f"));
         f.AddResource("ExtGState", "GS", gs);
       },
       "/GS gs 0 0 1 rg 0 0 100 100 re f",
       {{49, 50, 0x0000FF, 0}, {50, 50, 0xFFFFFF, 0}}},
      // The backdrop /BC counts where the group paints nothing, and /TR
      // turns the mask round: the inverted white backdrop hides all.
      {"mask backdrop and transfer",
       [](RenderFixture& f) {
         TPDFDictionary* gs = f.Dict(
             "<< /SMask << /S /Luminosity /BC [1] /TR << /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] /N 1 >> >> "
             ">>");
         PdfCast<TPDFDictionary>(gs->GetValue("SMask"))
             ->SetValue("G", Form(f, "/Group << /S /Transparency /CS /DeviceGray >>", "0 g 0 0 50 100 re f"));
         f.AddResource("ExtGState", "GS", gs);
       },
       "/GS gs 0 0 1 rg 0 0 100 100 re f",
       {{25, 50, 0x0000FF, 0}, {75, 50, 0xFFFFFF, 0}}},
      // An alpha mask at half coverage, and /None taking it off again.
      {"alpha mask and none",
       [](RenderFixture& f) {
         TPDFDictionary* gs = f.Dict("<< /SMask << /S /Alpha >> >>");
         f.AddResource("ExtGState", "H", f.Dict("<< /ca 0.5 >>"));
         TPDFObject* group = Form(f, "/Group << /S /Transparency >> /Resources << /ExtGState << /H << /ca 0.5 >> >> >>",
                                  "/H gs 0 0 100 50 re f");
         PdfCast<TPDFDictionary>(gs->GetValue("SMask"))->SetValue("G", group);
         f.AddResource("ExtGState", "GS", gs);
         f.AddResource("ExtGState", "N", f.Dict("<< /SMask /None >>"));
       },
       "q /GS gs 0 g 0 0 50 100 re f Q q /GS gs /N gs 0 g 50 0 50 100 re f Q",
       {{25, 75, 0x808080, 1}, {25, 25, 0xFFFFFF, 0}, {75, 25, 0x000000, 0}}},
      // A group at half alpha: its red and blue squares overlap inside the
      // group, so only blue shows over white at half strength there.
      {"transparency group",
       [](RenderFixture& f) {
         f.AddResource("XObject", "G",
                       Form(f, "/Group << /S /Transparency >>", "1 0 0 rg 0 0 60 100 re f 0 0 1 rg 40 0 60 100 re f"));
         f.AddResource("ExtGState", "GS", f.Dict("<< /ca 0.5 >>"));
       },
       "/GS gs /G Do",
       {{50, 50, 0x8080FF, 1}, {20, 50, 0xFF8080, 1}}},
      // The same squares in a knockout group: blue replaces red where they
      // overlap instead of compositing over it.
      {"knockout group",
       [](RenderFixture& f) {
         f.AddResource("XObject", "G",
                       Form(f, "/Group << /S /Transparency /K true >> /Resources << /ExtGState << /H << /ca 0.5 >> >> >>",
                            "/H gs 1 0 0 rg 0 0 60 100 re f 0 0 1 rg 40 0 60 100 re f"));
       },
       "/G Do",
       {{50, 50, 0x8080FF, 1}, {20, 50, 0xFF8080, 1}}},
      // Screen over the bare page: the page is a group on a transparent
      // backdrop laid on the paper, so blue stays blue instead of vanishing
      // into the white.
      {"blend mode on the page",
       [](RenderFixture& f) { f.AddResource("ExtGState", "GS", f.Dict("<< /BM /Screen >>")); },
       "/GS gs 0 0 1 rg 0 0 50 100 re f",
       {{25, 50, 0x0000FF, 1}, {75, 50, 0xFFFFFF, 0}}},
      // A shading pattern's /BBox bounds what it paints, its /Background
      // included: green beyond the gradient's end, nothing beyond the box.
      {"shading pattern box",
       [](RenderFixture& f) {
         f.AddResource("Pattern", "P",
                       f.Dict("<< /PatternType 2 /Shading << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 40 0] "
                              "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> "
                              "/Background [0 1 0] /BBox [0 0 60 100] >> >>"));
       },
       "/Pattern cs /P scn 0 0 100 100 re f",
       {{1, 50, 0xFF0000, 16}, {50, 50, 0x00FF00, 1}, {80, 50, 0xFFFFFF, 0}}},
  };
  for (const Case& c : cases) {
    RenderFixture f;
    f.withImages = true;
    f.SetEntry("MediaBox", "[0 0 100 100]");
    c.resources(f);
    f.SetContent(c.content);
    Bitmap b = f.Render();
    ASSERT_EQ(b.Width(), 100) << c.name;
    EXPECT_TRUE(f.lastError.empty()) << c.name << ": " << f.lastError;
    for (const Probe& p : c.probes) test::ExpectNear(b, p, c.name);
  }
}

}  // namespace
}  // namespace ostrel
