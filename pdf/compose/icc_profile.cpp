#include "pdf/compose/icc_profile.h"

#include <cstdint>

namespace ostrel {

bool ICCProfileFits(std::string_view profile, int components) {
  constexpr size_t kHeader = 128;
  if (profile.size() < kHeader || profile.size() > kMaxICCProfileBytes) return false;
  uint32_t declared = 0;
  for (size_t i = 0; i < 4; ++i) declared = declared << 8 | static_cast<uint8_t>(profile[i]);
  if (declared < kHeader || declared > profile.size() || profile.substr(36, 4) != "acsp") return false;
  std::string_view space = profile.substr(16, 4);
  switch (components) {
    case 1: return space == "GRAY";
    case 3: return space == "RGB ";
    case 4: return space == "CMYK";
  }
  return false;
}

std::string_view ICCAlternateSpace(int components) {
  return components == 1 ? "DeviceGray" : components == 4 ? "DeviceCMYK" : "DeviceRGB";
}

}  // namespace ostrel
