#pragma once
// The colour layer behind the renderer's colour hook: device colours through
// the colour manager (CMYK by the polynomial), and Separation, DeviceN, Lab
// (and any other space array) through the colour-space registry, so a space
// is made once per space object and keeps its cache for the renderer's life.
#include <string>
#include <unordered_map>
#include <vector>

#include "pdf/render/colour/colour_manager.h"
#include "pdf/render/colour/colour_space_registry.h"
#include "pdf/render/colour/render_colors.h"

namespace ostrel {

class TPDFColorLayerColors final : public TPDFRenderColors {
 public:
  TPDFColorLayerColors() : registry_(manager_) {}

  int32_t RGBToColor(double r, double g, double b) const override { return PackColor(r, g, b); }
  void CMYKToRGB(double c, double m, double y, double k, double& r, double& g, double& b) const override;
  // The resource name plays no part: the array's identity picks the space.
  int CreateSpace(const std::string& kind, const std::string& resourceName, TPDFArray* space) override;
  int ComponentCount(int spaceId) const override;
  int32_t SpaceColor(int spaceId, const std::vector<double>& components) override;

  // Shared with the image decoder.
  TPDFSimpleColorManager& Manager() { return manager_; }
  TPDFColorSpaceRegistry& Registry() { return registry_; }

 private:
  TPDFSimpleColorManager manager_;
  TPDFColorSpaceRegistry registry_;
  std::vector<std::string> keys_;  // registry key per identifier
  std::unordered_map<std::string, int> ids_;
};

}  // namespace ostrel
