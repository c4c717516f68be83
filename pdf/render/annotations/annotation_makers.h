#pragma once
// The makers of appearances, one per kind of annotation, each writing content
// in page space for an annotation that carries no appearance of its own.
#include <string>
#include <vector>

#include "pdf/render/annotations/annotation_style.h"

namespace ostrel {

struct TAnnotContext {
  TPDFDictionary* Form = nullptr;  // the document's /AcroForm, when any
};

struct TMadeAppearance {
  TAppearanceText Content;
  // The font that "/F0" in the content stands for: a font dictionary or its
  // reference; nullptr gives Helvetica (or ZapfDingbats when Dingbats).
  TPDFObject* Font = nullptr;
  bool Dingbats = false;
  double Opacity = 1;  // of strokes and fills, through "/G0 gs"
  // Quadrilaterals (eight numbers each, page space) painted in multiply
  // blend with MultiplyColour (RGB), as a highlighter on paper.
  std::vector<double> MultiplyQuads;
  double MultiplyColour[3] = {1, 1, 0};
};

using TAppearanceMaker = bool (*)(const TAnnotContext&, TPDFDictionary* annot, const TAnnotRect& rect,
                                  TMadeAppearance& out);

bool MakeSquare(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);
bool MakeCircle(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);
bool MakeLine(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);
bool MakePolygon(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);
bool MakePolyLine(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);
bool MakeInk(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);
bool MakeHighlight(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);
bool MakeUnderline(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);
bool MakeStrikeOut(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);
bool MakeSquiggly(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);
bool MakeFreeText(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);
bool MakeNote(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);
bool MakeLinkBorder(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);
bool MakeWidget(const TAnnotContext&, TPDFDictionary*, const TAnnotRect&, TMadeAppearance&);

// The font a /DA names, from the form's default resources; nullptr when
// the form has none of that name.
TPDFObject* FormFont(const TAnnotContext& ctx, const std::string& name);

// Whether a widget's appearance is made anew although it has one: text and
// choice fields when the form asks for new appearances.
bool WidgetNeedsNewAppearance(const TAnnotContext& ctx, TPDFDictionary* annot);

}  // namespace ostrel
