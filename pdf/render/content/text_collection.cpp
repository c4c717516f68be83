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

void TPDFRenderer::ReadPageText(TTextDevice& device, const std::string& content, TPDFDictionary* resources) {
  UseInitialState = false;
  LastError.clear();
  EffectiveDPI = 72;
  CTM = BaseCTM = kIdentityMatrix;
  nesting_ = 0;
  drawing_.clear();
  streamCache_.clear();
  streamCacheBytes_ = 0;
  contentBudget_.Reset();
  operatorBudget_ = kMaxOperatorsPerPage;
  TextDevice = &device;
  {
    // Unattached: paths and clips are kept but never painted.
    TPDFPicasso canvas;
    // Content handed over decoded runs with the resources of its source
    // dictionary, or else the inherited ones: here always the caller's.
    InheritedResources = resources;
    // The stand-in source belongs to the page's file, so damage found in the
    // content is reported with that file's other warnings.
    TPDFDictionary source(Page ? Page->Pool : resources ? resources->Pool : nullptr);
    RunContent(canvas, &source, &content, nullptr);
    // Then the appearances of the annotations a viewer shows.
    if (Page && LastError.empty()) DrawAnnotations(canvas);
  }
  TextDevice = nullptr;
  streamCache_.clear();
}

}  // namespace ostrel
