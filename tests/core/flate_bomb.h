#pragma once
// Hostile streams made in the test, and a page to hold one.
//
// A zlib stream that inflates to `total` zero bytes from about a thousandth
// of that: the first mebibyte block deflated with a full flush, repeated.
// Made in a few milliseconds, so tests need no stored hostile file. The
// checksum at the end is left wrong; readers stop at their bounds first.
#include <zlib.h>

#include <cstdio>
#include <string>
#include <string_view>

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

// One page with a Helvetica font whose /Contents is `contents`; object 4 is
// a Flate stream holding `encoded`, with `streamKeys` added to its
// dictionary; object 5 draws it as a 100 by 100 gray image /Im1.
inline std::string PageOverStream(const std::string& contents, const std::string& encoded,
                                  const std::string& streamKeys = "") {
  const std::string draw = "q 100 0 0 100 50 50 cm /Im1 Do Q";
  const std::string objects[] = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources << /Font << /F1 << /Type /Font "
      "/Subtype /Type1 /BaseFont /Helvetica >> >> /XObject << /Im1 4 0 R >> >> /Contents " + contents + " >>",
      "<< /Length " + std::to_string(encoded.size()) + " /Filter /FlateDecode " + streamKeys + " >>\nstream\n" +
          encoded + "\nendstream",
      "<< /Length " + std::to_string(draw.size()) + " >>\nstream\n" + draw + "\nendstream",
  };
  std::string out = "%PDF-1.4\n";
  std::string xref = "xref\n0 6\n0000000000 65535 f \n";
  for (int i = 0; i < 5; ++i) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", out.size());
    xref += entry;
    out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t start = out.size();
  return out + xref + "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n" + std::to_string(start) + "\n%%EOF\n";
}

}  // namespace ostrel::testing
