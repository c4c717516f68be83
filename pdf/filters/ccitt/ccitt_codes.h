#pragma once
// The T.4 code tables (run lengths and two-dimensional modes) as lookup
// tables indexed by the next bits of the data, most significant bit first.
#include <cstdint>

namespace ostrel {

// One lookup entry: what the code means and how many bits it takes.
// A length of 0 marks bit patterns that start no valid code.
struct TCCITTCode {
  int16_t Value = 0;
  uint8_t Length = 0;
};

// Run-length values beyond the run lengths themselves.
inline constexpr int16_t kCCITTEol = -1;  // 000000000001

inline constexpr int kWhiteLookupBits = 12;
inline constexpr int kBlackLookupBits = 13;
inline constexpr int kModeLookupBits = 7;

enum TCCITTMode : int16_t {
  kModePass,
  kModeHorizontal,
  kModeV0,
  kModeVR1,
  kModeVR2,
  kModeVR3,
  kModeVL1,
  kModeVL2,
  kModeVL3,
  kModeExtension,  // 0000001, followed by three bits naming the extension
};

// Tables indexed by the next 12 (white), 13 (black) or 7 (mode) bits.
const TCCITTCode* CCITTWhiteCodes();
const TCCITTCode* CCITTBlackCodes();
const TCCITTCode* CCITTModeCodes();

}  // namespace ostrel
