#include "pdf/render/colour/render_colors.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

double ClampUnit(double v) { return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0); }

int UnitToByte(double v) { return static_cast<int>(std::nearbyint(ClampUnit(v) * 255.0)); }

int32_t TPDFRenderColors::RGBToColor(double r, double g, double b) const {
  return UnitToByte(b) * 65536 + UnitToByte(g) * 256 + UnitToByte(r);
}

void TPDFRenderColors::CMYKToRGB(double c, double m, double y, double k, double& r, double& g, double& b) const {
  r = 1 - std::min(k + c * (1 - k), 1.0);
  g = 1 - std::min(k + m * (1 - k), 1.0);
  b = 1 - std::min(k + y * (1 - k), 1.0);
}

}  // namespace ostrel
