#pragma once
// A zlib stream that inflates to `total` zero bytes from about a thousandth
// of that: the first mebibyte block deflated with a full flush, repeated.
// Made in a few milliseconds, so tests need no stored hostile file. The
// checksum at the end is left wrong; readers stop at their bounds first.
#include <zlib.h>

#include <string>

namespace ostrel::testing {

inline std::string FlateBomb(size_t total, std::string_view prefix = {}) {
  constexpr size_t kBlock = size_t{1} << 20;
  z_stream zs{};
  deflateInit(&zs, 9);
  std::string out(compressBound(kBlock + prefix.size()) + 64, '\0');
  auto run = [&](std::string_view in, int flush) {
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = static_cast<uInt>(in.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, flush);
    return std::string(out.data(), out.size() - zs.avail_out);
  };
  const std::string zeros(kBlock, '\0');
  std::string bomb = run(prefix, Z_FULL_FLUSH);  // header and the prefix
  const std::string block = run(zeros, Z_FULL_FLUSH);
  for (size_t made = 0; made < total; made += kBlock) bomb += block;
  bomb += run({}, Z_FINISH);
  deflateEnd(&zs);
  return bomb;
}

}  // namespace ostrel::testing
