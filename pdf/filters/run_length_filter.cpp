#include "pdf/filters/run_length_filter.h"

#include <algorithm>

namespace ostrel {

std::string RunLengthDecode(std::string_view data, size_t maxOutput) {
  std::string out;
  size_t i = 0;
  while (i < data.size() && out.size() < maxOutput) {
    unsigned length = static_cast<unsigned char>(data[i++]);
    if (length == 128) break;
    size_t room = maxOutput - out.size();
    if (length < 128) {
      size_t count = std::min<size_t>({length + 1u, data.size() - i, room});
      out.append(data.data() + i, count);
      i += length + 1;
    } else {
      if (i >= data.size()) break;
      out.append(std::min<size_t>(257 - length, room), data[i++]);
    }
  }
  return out;
}

}  // namespace ostrel
