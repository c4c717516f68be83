#include "pdf/render/colour/icc_transform.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <string>

namespace ostrel {
namespace {

// Profiles remembered, failed ones included so that they are not read again.
constexpr size_t kMaxCachedProfiles = 16;

struct TCachedProfile {
  std::string Profile;
  int Components;
  std::shared_ptr<const TICCTransform> Transform;
};

std::mutex cacheMutex;
std::deque<TCachedProfile> cache;  // most recent last

struct TFormats {
  cmsColorSpaceSignature Space;
  cmsUInt32Number Bytes, Words;
};

const TFormats* FormatsFor(int components) {
  static const TFormats kGray{cmsSigGrayData, TYPE_GRAY_8, TYPE_GRAY_16};
  static const TFormats kRGB{cmsSigRgbData, TYPE_RGB_8, TYPE_RGB_16};
  static const TFormats kCMYK{cmsSigCmykData, TYPE_CMYK_8, TYPE_CMYK_16};
  switch (components) {
    case 1: return &kGray;
    case 3: return &kRGB;
    case 4: return &kCMYK;
    default: return nullptr;
  }
}

// Relative colorimetric with black point compensation: paper white stays
// white and the profile's darkest colour becomes black, as viewers show it.
// No cache inside the transform, so that threads can share it.
constexpr cmsUInt32Number kFlags = cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE;

}  // namespace

std::shared_ptr<const TICCTransform> TICCTransform::ForProfile(std::string_view profile, int components) {
  const TFormats* formats = FormatsFor(components);
  if (!formats || profile.empty() || profile.size() > kMaxICCProfileBytes) return nullptr;
  std::lock_guard<std::mutex> lock(cacheMutex);
  for (const TCachedProfile& entry : cache)
    if (entry.Components == components && entry.Profile == profile) return entry.Transform;

  std::shared_ptr<TICCTransform> made;
  cmsHPROFILE in = cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  if (in && srgb && cmsGetColorSpace(in) == formats->Space) {
    const cmsProfileClassSignature cls = cmsGetDeviceClass(in);
    if (cls != cmsSigLinkClass && cls != cmsSigAbstractClass && cls != cmsSigNamedColorClass) {
      made.reset(new TICCTransform());
      made->components_ = components;
      made->bytes_ =
          cmsCreateTransform(in, formats->Bytes, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, kFlags);
      made->words_ =
          cmsCreateTransform(in, formats->Words, srgb, TYPE_RGB_16, INTENT_RELATIVE_COLORIMETRIC, kFlags);
      if (!made->bytes_ || !made->words_) made.reset();
    }
  }
  if (in) cmsCloseProfile(in);
  if (srgb) cmsCloseProfile(srgb);

  if (cache.size() >= kMaxCachedProfiles) cache.pop_front();
  cache.push_back({std::string(profile), components, made});
  return made;
}

TICCTransform::~TICCTransform() {
  if (bytes_) cmsDeleteTransform(static_cast<cmsHTRANSFORM>(bytes_));
  if (words_) cmsDeleteTransform(static_cast<cmsHTRANSFORM>(words_));
}

void TICCTransform::ToRGB(const uint8_t* samples, uint8_t* rgb, size_t pixels) const {
  // lcms2 counts pixels in 32 bits.
  constexpr size_t kChunk = size_t{1} << 30;
  while (pixels > 0) {
    const size_t n = std::min(pixels, kChunk);
    cmsDoTransform(static_cast<cmsHTRANSFORM>(bytes_), samples, rgb, static_cast<cmsUInt32Number>(n));
    samples += n * static_cast<size_t>(components_);
    rgb += n * 3;
    pixels -= n;
  }
}

TPDFRGB TICCTransform::ColorOf(std::span<const double> components) const {
  cmsUInt16Number in[4] = {0, 0, 0, 0}, out[3] = {0, 0, 0};
  for (size_t i = 0; i < static_cast<size_t>(components_) && i < components.size(); ++i) {
    const double v = components[i];
    in[i] = static_cast<cmsUInt16Number>(std::nearbyint(std::clamp(v == v ? v : 0.0, 0.0, 1.0) * 65535));
  }
  cmsDoTransform(static_cast<cmsHTRANSFORM>(words_), in, out, 1);
  return {out[0] / 65535.0, out[1] / 65535.0, out[2] / 65535.0};
}

}  // namespace ostrel
