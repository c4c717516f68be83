#include "platform/zlib_codec.h"

#include <algorithm>
#include <climits>

namespace ostrel {

std::string ZlibInflate(std::string_view data, size_t maxOutput, bool* complete) {
  if (complete) *complete = false;
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return {};

  std::string out;
  // Start near the input size and double: a small stream that expands a
  // thousandfold then costs a handful of reallocations, not thousands.
  size_t capacity = std::min(maxOutput, std::max<size_t>(data.size() * 2, 4096));
  out.resize(capacity);
  size_t produced = 0;
  size_t consumed = 0;
  int rc = Z_OK;

  while (true) {
    if (produced == out.size()) {
      if (out.size() >= maxOutput) break;  // bound reached: keep what we have
      out.resize(std::min(maxOutput, out.size() * 2));
    }
    size_t inChunk = std::min<size_t>(data.size() - consumed, UINT_MAX);
    size_t outChunk = std::min<size_t>(out.size() - produced, UINT_MAX);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + consumed));
    zs.avail_in = static_cast<uInt>(inChunk);
    zs.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    zs.avail_out = static_cast<uInt>(outChunk);

    rc = inflate(&zs, Z_NO_FLUSH);
    consumed += inChunk - zs.avail_in;
    produced += outChunk - zs.avail_out;

    if (rc == Z_STREAM_END) {
      if (complete) *complete = true;
      break;
    }
    if (rc == Z_DATA_ERROR) break;  // corrupt tail: keep the good prefix
    if (rc == Z_BUF_ERROR) {
      // No progress possible: either the input ran out (truncated stream,
      // keep the prefix) or the output is full (grow and go on).
      if (produced < out.size()) break;
      continue;
    }
    if (rc != Z_OK) {
      produced = 0;  // Z_NEED_DICT, Z_MEM_ERROR, Z_STREAM_ERROR
      break;
    }
    if (consumed == data.size() && zs.avail_out != 0) break;  // input used up
  }
  inflateEnd(&zs);
  out.resize(produced);
  return out;
}

std::string ZlibDeflate(std::string_view data, int level) {
  uLong bound = compressBound(static_cast<uLong>(data.size()));
  std::string out(bound, '\0');
  uLongf outLen = bound;
  int rc = compress2(reinterpret_cast<Bytef*>(out.data()), &outLen,
                     reinterpret_cast<const Bytef*>(data.data()),
                     static_cast<uLong>(data.size()), level);
  if (rc != Z_OK) return {};
  out.resize(outLen);
  return out;
}

}  // namespace ostrel
