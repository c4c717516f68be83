#include "platform/system_clock.h"

#include <nettle/md5.h>
#include <sys/random.h>
#include <sys/time.h>

#include <chrono>
#include <cstdlib>
#include <random>

namespace ostrel {

LocalTime CurrentLocalTime() {
  LocalTime result;
  if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH"); fixed && *fixed) {
    time_t t = static_cast<time_t>(std::strtoll(fixed, nullptr, 10));
    gmtime_r(&t, &result.Fields);
    return result;
  }
  timeval now{};
  gettimeofday(&now, nullptr);
  time_t t = now.tv_sec;
  localtime_r(&t, &result.Fields);
  result.OffsetSeconds = result.Fields.tm_gmtoff;
  result.Milliseconds = static_cast<int>(now.tv_usec / 1000);
  return result;
}

void RandomBytes(void* buffer, size_t size) {
  auto* out = static_cast<unsigned char*>(buffer);
  size_t done = 0;
  while (done < size) {
    ssize_t n = getrandom(out + done, size - done, 0);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  if (done < size) {
    // No kernel entropy available: a seeded generator is still unique enough
    // for name tags and document IDs.
    std::mt19937 gen(static_cast<unsigned>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    for (; done < size; ++done) out[done] = static_cast<unsigned char>(gen());
  }
}

std::array<uint8_t, 16> Md5(std::string_view bytes) {
  md5_ctx ctx;
  md5_init(&ctx);
  md5_update(&ctx, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
  std::array<uint8_t, 16> digest{};
  md5_digest(&ctx, digest.size(), digest.data());
  return digest;
}

std::string HexLower(std::string_view bytes) {
  static const char* kDigits = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

}  // namespace ostrel
