#pragma once
// A colour space turns the components given to a colour operator (or read
// from an image sample) into the canvas's packed 0x00BBGGRR colour.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "pdf/render/colour/colour_manager.h"

namespace ostrel {

enum class TPDFColorSpaceKind : uint8_t { DeviceGray, DeviceRGB, DeviceCMYK, Lab, Separation, DeviceN, Indexed, Pattern };

class TPDFColorSpace {
 public:
  explicit TPDFColorSpace(TPDFSimpleColorManager& manager) : Manager(&manager) {}
  virtual ~TPDFColorSpace() = default;
  TPDFColorSpace(const TPDFColorSpace&) = delete;
  TPDFColorSpace& operator=(const TPDFColorSpace&) = delete;

  virtual TPDFColorSpaceKind Kind() const = 0;
  virtual size_t ComponentCount() const = 0;
  // The colour of the components; missing components read as 0. Not const:
  // the tint spaces fill their caches.
  virtual int32_t ComponentsToColor(std::span<const double> components) = 0;

  TPDFSimpleColorManager* Manager;  // shared, owned by the renderer

 protected:
  static double Component(std::span<const double> c, size_t i) { return i < c.size() ? c[i] : 0.0; }
};

class TPDFDeviceColorSpace final : public TPDFColorSpace {
 public:
  TPDFDeviceColorSpace(TPDFSimpleColorManager& manager, TPDFColorSpaceKind kind)
      : TPDFColorSpace(manager), kind_(kind) {}
  TPDFColorSpaceKind Kind() const override { return kind_; }
  size_t ComponentCount() const override;
  int32_t ComponentsToColor(std::span<const double> components) override;

 private:
  TPDFColorSpaceKind kind_;
};

// Patterns themselves are not painted. An uncoloured pattern space keeps its
// base space, whose colour stands in for the pattern.
class TPDFPatternColorSpace final : public TPDFColorSpace {
 public:
  TPDFPatternColorSpace(TPDFSimpleColorManager& manager, std::unique_ptr<TPDFColorSpace> base)
      : TPDFColorSpace(manager), Base(std::move(base)) {}
  TPDFColorSpaceKind Kind() const override { return TPDFColorSpaceKind::Pattern; }
  size_t ComponentCount() const override { return Base ? Base->ComponentCount() : 0; }
  int32_t ComponentsToColor(std::span<const double> components) override {
    return Base ? Base->ComponentsToColor(components) : 0;
  }

  std::unique_ptr<TPDFColorSpace> Base;
};

}  // namespace ostrel
