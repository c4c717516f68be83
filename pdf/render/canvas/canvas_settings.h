#pragma once
// The drawing back end's switches, as the facade keeps them and hands them
// to every page it renders.
#include <cstdint>
#include <string>

namespace ostrel {

struct TGDIPlusSettings {
  std::u16string LibraryPath = u"gdiplus.dll";  // kept for callers; unused on Cairo
  uint8_t AntiAlias = 1;     // 1: smooth path edges
  uint8_t UseGDIPlus = 1;    // accepted; Cairo is always used
  uint8_t ThirdSwitch = 1;   // not read
  uint8_t SmoothImages = 0;  // 1: filter images smoothly instead of nearest neighbour
};

}  // namespace ostrel
