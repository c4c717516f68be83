// Tiling patterns: one cell drawn into an image and repeated by Cairo.
#include "pdf/core/pdf_objects.h"
#include "pdf/render/canvas/picasso.h"
#include "pdf/render/content/content_interpreter.h"
#include "pdf/render/content/pdf_renderer.h"

namespace ostrel {

TCairoPattern TContentRun::TilingSource(TPDFStream* pattern, const TPDFIndRef* ref, int32_t color) { return {}; }

}  // namespace ostrel
