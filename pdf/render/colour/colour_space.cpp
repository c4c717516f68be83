#include "pdf/render/colour/colour_space.h"

namespace ostrel {

size_t TPDFDeviceColorSpace::ComponentCount() const {
  switch (kind_) {
    case TPDFColorSpaceKind::DeviceGray: return 1;
    case TPDFColorSpaceKind::DeviceCMYK: return 4;
    default: return 3;
  }
}

int32_t TPDFDeviceColorSpace::ComponentsToColor(std::span<const double> c) {
  switch (kind_) {
    case TPDFColorSpaceKind::DeviceGray: return PackGray(Component(c, 0));
    case TPDFColorSpaceKind::DeviceCMYK: {
      const TPDFRGB rgb = Manager->CMYKToRGB(Component(c, 0), Component(c, 1), Component(c, 2), Component(c, 3));
      return Manager->RGBToColor(rgb.R, rgb.G, rgb.B);
    }
    default: return Manager->RGBToColor(Component(c, 0), Component(c, 1), Component(c, 2));
  }
}

}  // namespace ostrel
