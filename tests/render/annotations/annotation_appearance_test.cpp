// Annotations without appearance streams drawn from their dictionaries, each
// checked by the colour of chosen pixels of a 100 x 100 point page at 72 dpi
// (device row r shows the page between heights 99 - r and 100 - r).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "tests/render/content/render_fixture.h"

namespace ostrel {
namespace {

using test::Pixel;
using test::RenderFixture;

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF,
                   kYellow = 0xFFFF00;

struct TProbe {
  int X, Row;
  uint32_t Colour;
};

// Pixels of a colour (each channel within 40) in a device rectangle.
int Count(const Bitmap& b, int x0, int r0, int x1, int r1, uint32_t colour) {
  int n = 0;
  for (int r = r0; r < r1; ++r)
    for (int x = x0; x < x1; ++x) {
      const uint32_t p = Pixel(b, x, r);
      bool near = true;
      for (int shift : {0, 8, 16}) near &= std::abs(int((p >> shift) & 0xFF) - int((colour >> shift) & 0xFF)) <= 40;
      n += near;
    }
  return n;
}

struct AnnotPage : RenderFixture {
  explicit AnnotPage(std::string_view content = "") {
    Page()->RemoveKey("CropBox");
    SetEntry("MediaBox", "[0 0 100 100]");
    SetContent(content);
  }
  // Adds an annotation, as a reference or as a direct dictionary.
  void Add(std::string_view dict, bool direct = false) {
    auto* annots = PdfCast<TPDFArray>(Page()->GetValue("Annots"));
    if (!annots) {
      annots = Pool().NewArray();
      Page()->SetValue("Annots", annots);
    }
    TPDFObject* annot = Dict(dict);
    annots->Add(direct ? annot : Indirect(annot));
  }
};

TEST(AnnotationAppearance, EachKindIsDrawnAtItsRectangle) {
  struct TCase {
    const char* Name;
    const char* Content;  // page content under the annotation
    const char* Annot;
    std::vector<TProbe> Probes;
  };
  const TCase cases[] = {
      {"square", "", "<< /Subtype /Square /Rect [10 10 50 50] /C [1 0 0] /IC [0 0 1] /BS << /W 4 >> >>",
       {{30, 70, kBlue}, {11, 70, kRed}, {60, 30, kWhite}}},
      {"circle", "", "<< /Subtype /Circle /Rect [10 10 50 50] /IC [0 1 0] >>",
       {{30, 70, kGreen}, {11, 88, kWhite}}},
      {"line with an arrow", "",
       "<< /Subtype /Line /Rect [0 0 100 100] /L [10 50 90 50] /C [1 0 0] /IC [1 0 0] /BS << /W 3 >> "
       "/LE [/None /ClosedArrow] >>",
       {{50, 49, kRed}, {80, 45, kRed}, {20, 45, kWhite}}},
      {"polygon", "", "<< /Subtype /Polygon /Rect [0 0 100 100] /Vertices [10 10 90 10 50 90] /IC [0 0 1] >>",
       {{50, 59, kBlue}, {15, 20, kWhite}}},
      {"ink", "", "<< /Subtype /Ink /Rect [0 0 100 100] /InkList [[10 80 90 80]] /C [0 1 0] /BS << /W 4 >> >>",
       {{50, 19, kGreen}, {50, 40, kWhite}}},
      {"highlight multiplies", "0 g 0 0 30 100 re f",
       "<< /Subtype /Highlight /Rect [10 40 60 60] /QuadPoints [10 60 60 60 10 40 60 40] /C [1 1 0] >>",
       {{20, 49, kBlack}, {45, 49, kYellow}, {45, 30, kWhite}}},
      {"underline", "", "<< /Subtype /Underline /Rect [10 20 90 52] /QuadPoints [10 52 90 52 10 20 90 20] /C [0 0 1] >>",
       {{50, 77, kBlue}, {50, 60, kWhite}}},
      {"strikeout", "", "<< /Subtype /StrikeOut /Rect [10 20 90 52] /QuadPoints [10 52 90 52 10 20 90 20] /C [0 0 1] >>",
       {{50, 65, kBlue}, {50, 77, kWhite}}},
      {"note", "", "<< /Subtype /Text /Rect [10 70 30 90] >>", {{15, 26, kYellow}, {40, 20, kWhite}}},
      {"link with a border", "", "<< /Subtype /Link /Rect [10 10 90 30] /Border [0 0 2] /C [1 0 0] >>",
       {{11, 79, kRed}, {50, 79, kWhite}}},
      {"link without a border", "", "<< /Subtype /Link /Rect [10 10 90 30] /C [1 0 0] >>", {{11, 79, kWhite}}},
      {"hidden", "", "<< /Subtype /Square /Rect [10 10 50 50] /IC [0 0 1] /F 2 >>", {{30, 70, kWhite}}},
      {"no view", "", "<< /Subtype /Square /Rect [10 10 50 50] /IC [0 0 1] /F 32 >>", {{30, 70, kWhite}}},
      {"print only", "", "<< /Subtype /Square /Rect [10 10 50 50] /IC [0 0 1] /F 4 >>", {{30, 70, kBlue}}},
      {"text field background", "",
       "<< /Subtype /Widget /FT /Tx /V (Hello) /DA (/Helv 12 Tf 0 0 1 rg) /MK << /BG [1 1 0] >> /Rect [10 10 90 40] >>",
       {{85, 84, kYellow}}},
  };
  for (const TCase& c : cases) {
    AnnotPage page(c.Content);
    page.Add(c.Annot);
    Bitmap out = page.Render();
    ASSERT_EQ(out.Width(), 100) << c.Name;
    for (const TProbe& p : c.Probes)
      EXPECT_EQ(Count(out, p.X, p.Row, p.X + 1, p.Row + 1, p.Colour), 1)
          << c.Name << " at (" << p.X << ", " << p.Row << "): " << std::hex << Pixel(out, p.X, p.Row);
  }
}

TEST(AnnotationAppearance, TextAndMarksShowInTheirColours) {
  struct TCase {
    const char* Name;
    const char* Annot;
    uint32_t Colour;
    bool Shown;
  };
  const TCase cases[] = {
      {"free text", "<< /Subtype /FreeText /Rect [10 10 90 60] /DA (/Helv 20 Tf 1 0 0 rg) /Contents (HHHH) >>", kRed,
       true},
      {"text field", "<< /Subtype /Widget /FT /Tx /V (HHHH) /DA (/Helv 20 Tf 0 0 1 rg) /Rect [10 10 90 60] >>", kBlue,
       true},
      {"check box on", "<< /Subtype /Widget /FT /Btn /AS /Yes /DA (/ZaDb 0 Tf 1 0 0 rg) /Rect [10 10 60 60] >>", kRed,
       true},
      {"check box off", "<< /Subtype /Widget /FT /Btn /AS /Off /DA (/ZaDb 0 Tf 1 0 0 rg) /Rect [10 10 60 60] >>",
       kRed, false},
      {"radio button by value", "<< /Subtype /Widget /FT /Btn /Ff 32768 /V /One /DA (0 1 0 rg) /Rect [10 10 60 60] >>",
       kGreen, true},
  };
  for (const TCase& c : cases) {
    AnnotPage page;
    page.Add(c.Annot);
    Bitmap out = page.Render();
    const int inside = Count(out, 12, 42, 88, 88, c.Colour);  // the rectangle's inside, device rows
    if (c.Shown) EXPECT_GT(inside, 20) << c.Name;
    else EXPECT_EQ(inside, 0) << c.Name;
  }
}

TEST(AnnotationAppearance, DirectDictionariesAndFormsThatAskForNewAppearances) {
  // A direct annotation with an appearance stream is drawn like an indirect one.
  AnnotPage direct;
  TPDFIndRef* ap = direct.Stream("0 0 1 rg 0 0 10 10 re f", direct.Dict("<< /BBox [0 0 10 10] >>"));
  TPDFDictionary* annot = direct.Dict("<< /Subtype /Square /Rect [10 10 50 50] >>");
  TPDFDictionary* apDict = direct.Pool().NewDictionary();
  apDict->SetValue("N", ap);
  annot->SetValue("AP", apDict);
  direct.Page()->SetValue("Annots", direct.Pool().NewArrayOf({annot}));
  EXPECT_EQ(Pixel(direct.Render(), 30, 70), kBlue);

  // With /NeedAppearances a text field's stale appearance gives way to its value.
  for (bool need : {false, true}) {
    AnnotPage form;
    TPDFIndRef* stale = form.Stream("0 1 0 rg 0 0 10 10 re f", form.Dict("<< /BBox [0 0 10 10] >>"));
    TPDFDictionary* field =
        form.Dict("<< /Subtype /Widget /FT /Tx /V (HHHH) /DA (/Helv 20 Tf 1 0 0 rg) /Rect [10 10 90 60] >>");
    TPDFDictionary* fieldAp = form.Pool().NewDictionary();
    fieldAp->SetValue("N", stale);
    field->SetValue("AP", fieldAp);
    form.Page()->SetValue("Annots", form.Pool().NewArrayOf({form.Indirect(field)}));
    form.doc.Catalog()->SetValue(
        "AcroForm", form.Dict(need ? "<< /NeedAppearances true >>" : "<< /NeedAppearances false >>"));
    Bitmap out = form.Render();
    EXPECT_EQ(Count(out, 12, 42, 88, 88, kGreen) > 0, !need) << need;
    EXPECT_EQ(Count(out, 12, 42, 88, 88, kRed) > 20, need) << need;
  }
}

}  // namespace
}  // namespace ostrel
