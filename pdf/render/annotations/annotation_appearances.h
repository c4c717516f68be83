#pragma once
// Appearances for annotations that carry none (or whose form asks for new
// ones), made from their dictionaries as content in page space, with the
// resources that content needs.
#include <string>
#include <vector>

#include "pdf/core/pdf_structure.h"
#include "pdf/render/content/render_matrix.h"

namespace ostrel {

class Bitmap;
class TPDFDictionary;

struct TAnnotationDrawing {
  std::string Content;              // operators in page space
  TPDFDictionary* Source = nullptr;  // holds the /Resources of Content
  // Quadrilaterals (eight numbers each, page space) to paint in multiply
  // blend after Content, in Colour (RGB 0..1) at Opacity.
  std::vector<double> MultiplyQuads;
  double Colour[3] = {1, 1, 0};
  double Opacity = 1;
};

class TAnnotationAppearances {
 public:
  TAnnotationAppearances();
  // Forgets the previous page's made resources; form is the document's
  // /AcroForm (nullptr when none).
  void StartPage(TPDFDictionary* form);
  // Whether annot is drawn from a made appearance: it has no /AP with a
  // normal appearance, or it is a field whose form asks for new ones.
  bool Wanted(TPDFDictionary* annot) const;
  // False when the annotation draws nothing by itself.
  bool Make(TPDFDictionary* annot, TAnnotationDrawing& out);

 private:
  TPDFStructure fonts_;    // the fallback font dictionaries, for the renderer's life
  TPDFStructure scratch_;  // resources of one page's made appearances
  TPDFDictionary* helvetica_ = nullptr;
  TPDFDictionary* dingbats_ = nullptr;
  TPDFDictionary* form_ = nullptr;
};

// Multiplies the colour into the 32-bit page bitmap inside each
// quadrilateral placed by ctm: what is under a highlighter shows through,
// darkened by its colour.
void PaintMultiplied(Bitmap& page, const TPDFMatrix& ctm, const TAnnotationDrawing& drawing);

}  // namespace ostrel
