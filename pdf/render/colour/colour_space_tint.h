#pragma once
// Separation and DeviceN spaces: their colorants are mapped by a tint
// transform function into an alternate space. Every distinct tint (or
// component set) is converted once and then served from a bounded cache.
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/colour/colour_space.h"
#include "pdf/render/colour/colour_space_lab.h"
#include "pdf/render/colour/pdf_function.h"

namespace ostrel {

inline constexpr size_t kMaxTintCacheEntries = 1000;
inline constexpr size_t kMaxDeviceNColorants = 32;

class TPDFTintColorSpace : public TPDFColorSpace {
 public:
  using TPDFColorSpace::TPDFColorSpace;

  std::string ColorantName;   // Separation: the name; DeviceN: "[" a "," b ... "]"
  std::string AlternateName;  // DeviceGray, DeviceRGB, DeviceCMYK, CalRGB, CalGray, Lab, ...
  std::unique_ptr<TPDFLabColorSpace> AlternateLab;  // when the alternate is a Lab array
  std::unique_ptr<TPDFFunction> TintTransform;      // null when it cannot be made
  int32_t Color = 0;  // the colour last set, 0x00BBGGRR

 protected:
  // Reads the alternate space (member 2) and the tint transform (member 3).
  void LoadAlternate(TPDFArray* array);
  // The tint transform's outputs in the alternate space; black for any
  // combination of output count and alternate that does not fit.
  int32_t AlternateToColor(const std::vector<double>& outputs, bool simpleCMYK);
};

class TPDFSeparationColorSpace final : public TPDFTintColorSpace {
 public:
  using TPDFTintColorSpace::TPDFTintColorSpace;
  TPDFColorSpaceKind Kind() const override { return TPDFColorSpaceKind::Separation; }
  size_t ComponentCount() const override { return 1; }
  int32_t ComponentsToColor(std::span<const double> c) override { return SetTint(Component(c, 0)); }

  // [/Separation name alternate tintTransform]; false when it is not one.
  bool Load(TPDFArray* array);
  int32_t SetTint(double tint);

 private:
  std::unordered_map<double, int32_t> cache_;
};

class TPDFDeviceNColorSpace final : public TPDFTintColorSpace {
 public:
  using TPDFTintColorSpace::TPDFTintColorSpace;
  TPDFColorSpaceKind Kind() const override { return TPDFColorSpaceKind::DeviceN; }
  size_t ComponentCount() const override { return ColorantCount; }
  int32_t ComponentsToColor(std::span<const double> c) override { return SetComponents(c); }

  // [/DeviceN [names] alternate tintTransform attributes?]; false when it is
  // not one or names no colorants or more than 32.
  bool Load(TPDFArray* array);
  // Components that agree to three decimals share one conversion.
  int32_t SetComponents(std::span<const double> components);

  size_t ColorantCount = 0;

 private:
  std::unordered_map<std::string, int32_t> cache_;
};

}  // namespace ostrel
