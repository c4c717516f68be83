#include "pdf/render/colour/colour_space_icc.h"

#include <string>

#include "pdf/core/pdf_objects.h"
#include "pdf/filters/image_filter_chain.h"

namespace ostrel {
namespace {

TPDFColorSpaceKind KindByCount(int components) {
  switch (components) {
    case 1: return TPDFColorSpaceKind::DeviceGray;
    case 4: return TPDFColorSpaceKind::DeviceCMYK;
    default: return TPDFColorSpaceKind::DeviceRGB;
  }
}

}  // namespace

TPDFICCBasedColorSpace::TPDFICCBasedColorSpace(TPDFSimpleColorManager& manager,
                                               std::shared_ptr<const TICCTransform> transform)
    : TPDFColorSpace(manager), transform_(std::move(transform)), kind_(KindByCount(transform_->Components())) {}

int32_t TPDFICCBasedColorSpace::ComponentsToColor(std::span<const double> components) {
  const TPDFRGB rgb = transform_->ColorOf(components);
  return Manager->RGBToColor(rgb.R, rgb.G, rgb.B);
}

std::unique_ptr<TPDFColorSpace> LoadICCProfileSpace(TPDFStream* stream, int components,
                                                    TPDFSimpleColorManager& manager) {
  if (!stream || (components != 1 && components != 3 && components != 4)) return nullptr;
  if (stream->RawData.size() > kMaxICCProfileBytes) return nullptr;
  // Inflated no further than a profile may be: a longer one is cut, fails
  // to read and leaves the alternate.
  const TImageFilterChainResult profile =
      DecodeImageFilterChain(stream->RawData, ImageFiltersOf(stream->StreamDict), kMaxICCProfileBytes + 1);
  if (profile.FinalDecoder != TImageFinalDecoder::None) return nullptr;
  auto transform = TICCTransform::ForProfile(profile.Data, components);
  if (!transform) return nullptr;
  return std::make_unique<TPDFICCBasedColorSpace>(manager, std::move(transform));
}

}  // namespace ostrel
