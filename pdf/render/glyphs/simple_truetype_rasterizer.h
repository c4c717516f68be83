#pragma once
// Glyphs of CID-keyed fonts that a PDF names without embedding them
// (HeiseiMin-W3, KozGoPro-Medium, MS-Mincho, ...): drawn from an installed
// font that covers the collection's characters, found by Unicode.
#include "pdf/render/glyphs/truetype_rasterizer.h"

namespace ostrel {

class TPDFSimpleTrueTypeRasterizer : public TPDFTrueTypeRasterizer2 {
 public:
  bool DrawsByUnicode() const override { return true; }
};

}  // namespace ostrel
