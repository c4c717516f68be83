#pragma once
// ICCBased spaces whose profile lcms2 can read: colours go through the
// profile to sRGB. The space answers to the device kind of its component
// count, so everything that treats gray, RGB and CMYK data by kind (the
// /Decode inversion of gray images, JPEG component checks) treats it alike.
#include <memory>

#include "pdf/render/colour/colour_space.h"
#include "pdf/render/colour/icc_transform.h"

namespace ostrel {

class TPDFStream;

class TPDFICCBasedColorSpace final : public TPDFColorSpace {
 public:
  TPDFICCBasedColorSpace(TPDFSimpleColorManager& manager, std::shared_ptr<const TICCTransform> transform);
  TPDFColorSpaceKind Kind() const override { return kind_; }
  size_t ComponentCount() const override { return static_cast<size_t>(transform_->Components()); }
  int32_t ComponentsToColor(std::span<const double> components) override;

  const TICCTransform& Transform() const { return *transform_; }

 private:
  std::shared_ptr<const TICCTransform> transform_;
  TPDFColorSpaceKind kind_;
};

// The profile space of an ICCBased stream with /N components, or nullptr
// when the profile is unusable (the caller then takes the alternate).
std::unique_ptr<TPDFColorSpace> LoadICCProfileSpace(TPDFStream* stream, int components,
                                                    TPDFSimpleColorManager& manager);

}  // namespace ostrel
