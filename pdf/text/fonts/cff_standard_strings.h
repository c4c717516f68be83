#pragma once
// The standard strings that compact font programs refer to by number.

namespace ostrel {

inline constexpr int kCFFStandardStringCount = 391;

// The standard string of a string ID, "" outside 0 to 390.
const char* CFFStandardString(int sid);

}  // namespace ostrel
