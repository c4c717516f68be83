#pragma once
// Type 3 fonts: the renderer runs each glyph's procedure itself; this holds
// the font matrix, the procedures by glyph name and the font dictionary.
#include <functional>
#include <string>
#include <unordered_map>

#include "pdf/render/glyphs/glyph_rasterizer.h"
#include "pdf/render/glyphs/type3_procedures.h"

namespace ostrel {

class TPDFObject;

class TPDFType3Rasterizer : public TPDFGlyphRasterizer, public TPDFType3Procedures {
 public:
  // Reads /FontMatrix and /CharProcs; read(object) returns the decoded data
  // of the stream an object refers to (empty for anything else).
  void Load(TPDFDictionary* font, const std::function<TPDFObject*(TPDFObject*)>& resolve,
            const std::function<std::string(TPDFObject*)>& read);

  TPDFMatrix FontMatrix() const override { return fontMatrix_; }
  std::string ProcedureFor(std::string_view glyphName) const override;
  TPDFDictionary* FontDictionary() const override { return font_; }
  // Type 3 glyphs are drawn by the renderer, never through here.
  bool DrawGlyph(TGlyphPathSink&, const TGlyphMatrix&, double, double, std::string_view) override { return false; }

 private:
  TPDFDictionary* font_ = nullptr;
  TPDFMatrix fontMatrix_ = kIdentityMatrix;
  std::unordered_map<std::string, std::string> procedures_;
};

}  // namespace ostrel
