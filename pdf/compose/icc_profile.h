#pragma once
// Checks on an embedded ICC colour profile before it becomes an ICCBased
// colour space: a profile that does not describe the image's colour
// components would make viewers show wrong colours or refuse the image.
#include <string_view>

namespace ostrel {

// Profiles larger than this are not embedded (real ones stay well below a
// few megabytes; the bound keeps a compressed profile from inflating without end).
inline constexpr size_t kMaxICCProfileBytes = size_t{16} << 20;

// True when profile has a whole header that names it an ICC profile
// ("acsp"), declares no more bytes than it has, and has the colour space of
// an image with this many components (1 grey, 3 RGB, 4 CMYK).
bool ICCProfileFits(std::string_view profile, int components);

// The device colour space a viewer uses when it ignores the profile.
std::string_view ICCAlternateSpace(int components);

}  // namespace ostrel
