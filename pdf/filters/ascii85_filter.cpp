#include "pdf/filters/ascii85_filter.h"

#include <cstdint>

#include "pdf/core/byte_classes.h"

namespace ostrel {
namespace {

constexpr uint64_t kMax32 = 0xFFFFFFFFull;

uint64_t GroupValue(const char* group) {
  uint64_t value = 0;
  for (int i = 0; i < 5; ++i) value = value * 85 + static_cast<uint64_t>(group[i] - '!');
  return value;
}

void AppendBigEndian(std::string& out, uint64_t value, int count) {
  for (int i = 0; i < count; ++i) out.push_back(static_cast<char>(value >> (24 - 8 * i)));
}

}  // namespace

std::string ASCII85Decode(std::string_view data) {
  // Keep the digits "!".."u", expand "z", stop at the end marker; white space
  // and any other byte fall out.
  std::string digits;
  digits.reserve(data.size());
  bool ended = false;
  for (size_t i = 0; i < data.size(); ++i) {
    char c = data[i];
    if (c == '~') {
      size_t j = i + 1;
      while (j < data.size() && IsPdfWhiteSpace(data[j])) ++j;
      if (j < data.size() && data[j] == '>') {
        ended = true;
        break;
      }
    } else if (c == 'z') {
      digits.append(5, '!');
    } else if (c >= '!' && c <= 'u') {
      digits.push_back(c);
    }
  }
  if (!ended) return {};

  std::string out;
  out.reserve(digits.size() / 5 * 4 + 4);
  size_t full = digits.size() / 5 * 5;
  for (size_t i = 0; i < full; i += 5) {
    uint64_t value = GroupValue(digits.data() + i);
    AppendBigEndian(out, value > kMax32 ? 0 : value, 4);
  }
  size_t rest = digits.size() - full;
  if (rest >= 2) {
    char group[5] = {'u', 'u', 'u', 'u', 'u'};
    for (size_t i = 0; i < rest; ++i) group[i] = digits[full + i];
    uint64_t value = GroupValue(group);
    AppendBigEndian(out, value >= kMax32 ? 0 : value, static_cast<int>(rest - 1));
  }
  return out;
}

}  // namespace ostrel
