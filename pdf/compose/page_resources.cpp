#include "pdf/compose/page_resources.h"

#include "pdf/compose/pdf_image.h"
#include "pdf/core/page_tree.h"
#include "pdf/text/pdf_font.h"

namespace ostrel {
namespace {

// Each page gets a reference object of its own: shared ones would be
// renumbered once per holder when objects are shifted.
TPDFObject* OwnReference(const TPDFIndRef& reference) {
  return reference.Pool->NewIndRef(reference.RefNumber, reference.RefGeneration);
}

}  // namespace

void RegisterFont(TPDFPageTree& tree, const TPDFFont& font) {
  if (font.Reference) tree.RegisterResource("Font", font.ResourceName, OwnReference(*font.Reference));
}

void RegisterImage(TPDFPageTree& tree, const TPDFImage& image) {
  if (!image.Reference) return;
  for (const TPDFImage* nested : image.NestedImages)
    if (nested && nested != &image) RegisterImage(tree, *nested);
  for (const auto& [name, object] : image.GraphicStates) tree.RegisterExtGState(name, object);
  for (const auto& [name, object] : image.Patterns) tree.RegisterPattern(name, object);
  tree.RegisterResource("XObject", image.ResourceName, OwnReference(*image.Reference));
}

}  // namespace ostrel
