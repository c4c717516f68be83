// The renderer's side of appearances made for annotations that have none:
// the made content runs in page space like any appearance, and highlights
// are multiplied into the page.
#include "pdf/render/annotations/annotation_appearances.h"
#include "pdf/render/canvas/picasso.h"
#include "pdf/render/content/pdf_renderer.h"

namespace ostrel {

bool TPDFRenderer::DrawMadeAppearance(TPDFPicasso& canvas, TPDFDictionary* annot) {
  // Text is read from what documents carry, not from what is made here.
  if (OutputKind == kOutputTextCollection || TextDevice) return false;
  if (!appearances_) {
    appearances_ = std::make_unique<TAnnotationAppearances>();
    appearances_->StartPage(AcroForm);
  }
  if (!appearances_->Wanted(annot)) return false;
  TAnnotationDrawing drawing;
  if (!appearances_->Make(annot, drawing)) return true;
  if (!drawing.Content.empty()) {
    TPDFMatrix saved = CTM;
    CTM = BaseCTM;
    RunContent(canvas, drawing.Source, &drawing.Content, nullptr);
    CTM = saved;
  }
  if (!drawing.MultiplyQuads.empty() && target_) {
    canvas.Flush();
    PaintMultiplied(*target_, BaseCTM, drawing);
  }
  return true;
}

}  // namespace ostrel
