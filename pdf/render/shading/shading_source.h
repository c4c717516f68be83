#pragma once
// What every shading type shares: its colour space, its optional functions
// and the conversion of shading values to colours.
#include <array>
#include <memory>
#include <span>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/colour/colour_space.h"
#include "pdf/render/colour/pdf_function.h"
#include "pdf/render/content/render_matrix.h"
#include "pdf/render/shading/shading_paint.h"

typedef struct _cairo_pattern cairo_pattern_t;

namespace ostrel {

using TRGBA = std::array<double, 4>;  // 0..1 each, straight alpha

class TShadingSource {
 public:
  // False when the colour space or the functions are unusable.
  bool Load(TPDFObject* shading, TPDFSimpleColorManager& manager);

  TPDFDictionary* Dict = nullptr;
  TPDFStream* Stream = nullptr;  // types 4 to 7
  int Type = 0;
  // Values a shading gives per point before its functions: the function
  // inputs when there are functions, else the colour components.
  size_t ValueCount() const { return functions_.empty() ? space_->ComponentCount() : 1; }
  bool HasFunctions() const { return !functions_.empty(); }
  // The colour of shading values (function inputs, or components).
  TRGBA Color(std::span<const double> values) const;
  // /Background as a colour, when present and complete.
  bool Background(TRGBA& out) const;

 private:
  std::unique_ptr<TPDFColorSpace> space_;
  std::vector<std::unique_ptr<TPDFFunction>> functions_;
};

// Reads n finite numbers of an array entry; false when absent or short.
bool ReadShadingNumbers(TPDFDictionary* dict, const char* key, double* out, size_t n);
// Inverse of an affine matrix; false when it is singular.
bool InvertMatrix(const TPDFMatrix& m, TPDFMatrix& out);
// The Cairo form of a matrix.
void SetPatternMatrix(cairo_pattern_t* pattern, const TPDFMatrix& m);

// The four builders of MakeShadingPaint.
TCairoPattern MakeGradientPattern(const TShadingSource& source, const TPDFMatrix& toDevice, bool withBackground);
TCairoPattern MakeFunctionPattern(const TShadingSource& source, const TPDFMatrix& toDevice,
                                  const TDeviceArea& area);
TCairoPattern MakeMeshPattern(const TShadingSource& source, const TPDFMatrix& toDevice);

}  // namespace ostrel
