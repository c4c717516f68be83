#pragma once
// Local time with its zone, random bytes and digests: the small services the
// library takes from the operating system.
#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace ostrel {

struct LocalTime {
  std::tm Fields{};         // broken-down local time
  long OffsetSeconds = 0;   // east of universal time
  int Milliseconds = 0;
};

// The current local time. SOURCE_DATE_EPOCH, when set, fixes the instant and
// the zone (universal time), so that generated files can be compared.
LocalTime CurrentLocalTime();

// Fills the buffer from the system's random source (getrandom).
void RandomBytes(void* buffer, size_t size);

std::array<uint8_t, 16> Md5(std::string_view bytes);

// Lower-case hexadecimal of bytes.
std::string HexLower(std::string_view bytes);

}  // namespace ostrel
