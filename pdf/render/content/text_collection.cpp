// The renderer's text-collection kind: the page is interpreted as for
// drawing, in user space and onto a canvas without a bitmap, so that every
// piece of shown text reaches the text funnel with its user-space position.
#include "pdf/core/pdf_objects.h"
#include "pdf/render/canvas/picasso.h"
#include "pdf/render/content/pdf_renderer.h"

namespace ostrel {

void TPDFRenderer::CollectPageText() {
  TextFunnel.ClearBlocks();
  TPageGeometry g = MeasurePage(Page, 72);
  bool turned = g.Rotation == 90 || g.Rotation == 270;
  TextFunnel.BaseHeight = g.Y0 + (turned ? g.Width : g.Height);

  TOutputKind savedKind = OutputKind;
  OutputKind = kOutputTextCollection;
  BeginPage(kIdentityMatrix, 72);
  {
    // Unattached: paths and clips are kept but never painted.
    TPDFPicasso canvas;
    RunPage(canvas);
  }
  streamCache_.clear();
  OutputKind = savedKind;
}

}  // namespace ostrel
