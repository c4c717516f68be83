#pragma once
// CIE L*a*b* colours, converted through the colour manager.
#include "pdf/core/pdf_objects.h"
#include "pdf/render/colour/colour_space.h"

namespace ostrel {

class TPDFLabColorSpace final : public TPDFColorSpace {
 public:
  using TPDFColorSpace::TPDFColorSpace;
  TPDFColorSpaceKind Kind() const override { return TPDFColorSpaceKind::Lab; }
  size_t ComponentCount() const override { return 3; }
  int32_t ComponentsToColor(std::span<const double> c) override {
    return Manager->LabToColor(*this, Component(c, 0), Component(c, 1), Component(c, 2));
  }

  // Reads /WhitePoint and /Range from the dictionary of [/Lab dict].
  void Load(TPDFArray* array);
  // An image sample s in 0..max as a* or b* over this space's range.
  double SampleToA(double s, double max) const { return Range[0] + (Range[1] - Range[0]) * s / max; }
  double SampleToB(double s, double max) const { return Range[2] + (Range[3] - Range[2]) * s / max; }

  double WhitePoint[3] = {0.9505, 1.0, 1.089};
  double Range[4] = {-100, 100, -100, 100};
};

}  // namespace ostrel
