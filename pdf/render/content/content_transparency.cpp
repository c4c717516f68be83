// Transparency beyond constant alpha: blend modes and soft masks of the
// graphics state.
#include "pdf/core/pdf_objects.h"
#include "pdf/render/canvas/picasso.h"
#include "pdf/render/content/content_interpreter.h"
#include "pdf/render/content/pdf_renderer.h"

namespace ostrel {

void TContentRun::ApplyTransparency() {
  canvas_.SetBlendMode(static_cast<TBlendMode>(gs_.BlendMode));
  canvas_.SetSoftMask(nullptr);
}

}  // namespace ostrel
