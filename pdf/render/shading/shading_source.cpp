#include "pdf/render/shading/shading_source.h"

#include <cairo.h>

#include <cmath>

#include "pdf/render/colour/colour_space_loader.h"

namespace ostrel {

// ---- pattern references ----

TCairoPattern::TCairoPattern(const TCairoPattern& other) : p_(other.p_) {
  if (p_) cairo_pattern_reference(p_);
}

TCairoPattern& TCairoPattern::operator=(TCairoPattern other) {
  std::swap(p_, other.p_);
  return *this;
}

TCairoPattern::~TCairoPattern() {
  if (p_) cairo_pattern_destroy(p_);
}

// ---- shared reading ----

bool ReadShadingNumbers(TPDFDictionary* dict, const char* key, double* out, size_t n) {
  std::vector<double> values;
  if (!ReadNumbers(dict->GetValue(key), n, values) || values.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (!std::isfinite(values[i])) return false;
    out[i] = values[i];
  }
  return true;
}

bool InvertMatrix(const TPDFMatrix& m, TPDFMatrix& out) {
  double det = m[0] * m[3] - m[1] * m[2];
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
  out = {m[3] / det, -m[1] / det, -m[2] / det, m[0] / det, (m[2] * m[5] - m[3] * m[4]) / det,
         (m[1] * m[4] - m[0] * m[5]) / det};
  return MatrixIsFinite(out);
}

void SetPatternMatrix(cairo_pattern_t* pattern, const TPDFMatrix& m) {
  cairo_matrix_t cm;
  cairo_matrix_init(&cm, m[0], m[1], m[2], m[3], m[4], m[5]);
  cairo_pattern_set_matrix(pattern, &cm);
}

bool TShadingSource::Load(TPDFObject* shading, TPDFSimpleColorManager& manager) {
  shading = ResolveChain(shading);
  Stream = PdfCast<TPDFStream>(shading);
  Dict = Stream ? Stream->StreamDict : PdfCast<TPDFDictionary>(shading);
  if (!Dict) return false;
  Type = Dict->GetInteger("ShadingType", 0);
  space_ = LoadColorSpace(Dict->GetValue("ColorSpace"), manager);
  if (!space_ || space_->Kind() == TPDFColorSpaceKind::Pattern) return false;

  TPDFObject* fn = ResolveChain(Dict->GetValue("Function"));
  if (auto* list = PdfCast<TPDFArray>(fn)) {
    // One single-output function per colour component.
    if (list->Count() != space_->ComponentCount()) return false;
    for (size_t i = 0; i < list->Count(); ++i) {
      auto f = CreateFunction(list->Item(i));
      if (!f) return false;
      functions_.push_back(std::move(f));
    }
  } else if (fn) {
    auto f = CreateFunction(fn);
    if (!f) return false;
    functions_.push_back(std::move(f));
  }
  // Axial, radial and function-based shadings have no colour without one.
  if (functions_.empty() && Type >= 1 && Type <= 3) return false;
  return true;
}

TRGBA TShadingSource::Color(std::span<const double> values) const {
  std::vector<double> components;
  if (functions_.empty()) {
    components.assign(values.begin(), values.end());
  } else {
    std::vector<double> out;
    for (const auto& f : functions_) {
      // A function that cannot give a result leaves its components at 0.
      if (f->Evaluate(values, out)) {
        components.insert(components.end(), out.begin(), out.end());
      } else {
        components.resize(components.size() + std::max<size_t>(f->OutputCount(), 1), 0.0);
      }
    }
  }
  uint32_t c = static_cast<uint32_t>(space_->ComponentsToColor(components));
  return {(c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0, 1.0};
}

bool TShadingSource::Background(TRGBA& out) const {
  std::vector<double> values;
  if (!ReadNumbers(Dict->GetValue("Background"), 32, values) || values.size() != space_->ComponentCount() ||
      values.empty())
    return false;
  uint32_t c = static_cast<uint32_t>(space_->ComponentsToColor(values));
  out = {(c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0, 1.0};
  return true;
}

// ---- the entry ----

bool MakeShadingPaint(TPDFObject* shading, TPDFSimpleColorManager& manager, const TPDFMatrix& toDevice,
                      const TDeviceArea& area, bool withBackground, TShadingPaint& out) {
  out = TShadingPaint{};
  TShadingSource source;
  if (!MatrixIsFinite(toDevice) || !source.Load(shading, manager)) return false;
  switch (source.Type) {
    case 1: out.Pattern = MakeFunctionPattern(source, toDevice, area); break;
    case 2:
    case 3: out.Pattern = MakeGradientPattern(source, toDevice, withBackground); break;
    case 4:
    case 5:
    case 6:
    case 7: out.Pattern = MakeMeshPattern(source, toDevice); break;
    default: return false;
  }
  if (!out.Pattern || cairo_pattern_status(out.Pattern.Get()) != CAIRO_STATUS_SUCCESS) return false;
  out.HasBBox = ReadShadingNumbers(source.Dict, "BBox", out.BBox, 4);
  return true;
}

}  // namespace ostrel
