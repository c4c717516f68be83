#include "pdf/render/colour/colour_render_colors.h"

namespace ostrel {

void TPDFColorLayerColors::CMYKToRGB(double c, double m, double y, double k, double& r, double& g, double& b) const {
  const TPDFRGB rgb = manager_.CMYKToRGB(c, m, y, k);
  r = rgb.R, g = rgb.G, b = rgb.B;
}

int TPDFColorLayerColors::CreateSpace(const std::string& kind, const std::string& resourceName, TPDFArray* space) {
  const std::string key = registry_.KeyFor(space);
  if (key.empty()) return -1;
  if (auto it = ids_.find(key); it != ids_.end()) return it->second;
  const int id = static_cast<int>(keys_.size());
  keys_.push_back(key);
  ids_.emplace(key, id);
  return id;
}

int TPDFColorLayerColors::ComponentCount(int spaceId) const {
  if (spaceId < 0 || static_cast<size_t>(spaceId) >= keys_.size()) return 1;
  return static_cast<int>(registry_.ComponentCount(keys_[spaceId]));
}

int32_t TPDFColorLayerColors::SpaceColor(int spaceId, const std::vector<double>& components) {
  if (spaceId < 0 || static_cast<size_t>(spaceId) >= keys_.size()) return 0;
  return registry_.ColorFor(keys_[spaceId], components).value_or(0);
}

}  // namespace ostrel
