#pragma once
// An ICC profile's colours brought to sRGB through lcms2. Transforms are made
// once per profile and shared: the same profile usually stands behind every
// image of a document, and building a CMYK transform costs milliseconds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "pdf/render/colour/colour_manager.h"

namespace ostrel {

// Profiles larger than this are not read (real ones stay well below).
inline constexpr size_t kMaxICCProfileBytes = size_t{16} << 20;

class TICCTransform {
 public:
  // The shared transform of a profile whose data space has `components`
  // channels (1 gray, 3 RGB, 4 CMYK); nullptr when the profile cannot be
  // read, describes another space, or lcms2 cannot link it to sRGB.
  static std::shared_ptr<const TICCTransform> ForProfile(std::string_view profile, int components);

  ~TICCTransform();
  TICCTransform(const TICCTransform&) = delete;
  TICCTransform& operator=(const TICCTransform&) = delete;

  int Components() const { return components_; }
  // pixels samples of Components() bytes each to R, G, B bytes.
  void ToRGB(const uint8_t* samples, uint8_t* rgb, size_t pixels) const;
  // One colour; components 0..1 (clamped; missing ones read as 0).
  TPDFRGB ColorOf(std::span<const double> components) const;

 private:
  TICCTransform() = default;

  int components_ = 0;
  void* bytes_ = nullptr;  // cmsHTRANSFORM, 8-bit samples
  void* words_ = nullptr;  // cmsHTRANSFORM, 16-bit colours
};

}  // namespace ostrel
