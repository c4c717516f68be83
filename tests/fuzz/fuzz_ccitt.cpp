#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/filters/ccitt/ccitt_decoder.h"

// The first two bytes choose K, the width, byte alignment and bit order; the
// rest is coded data, decoded into a whole bitmap and again row by row.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int k = static_cast<int>(data[0] % 3) - 1;
  int width = 1 + (data[1] & 0x7F) * 13;
  bool aligned = data[1] & 0x80;
  int bitOrder = 1 + (data[0] / 3) % 2;
  std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
  try {
    ostrel::TOSLCCITTDecoder decoder(width, false, aligned, bitOrder, 64);
    if (k < 0) decoder.DecodeT6(input);
    else if (k == 0) decoder.Decode1D(input);
    else decoder.Decode2D(input);
    decoder.ConsumedBytes();
  } catch (const ostrel::ECCITTError&) {
  }
  // The same data streamed row by row, as huge images are decoded.
  size_t rows = 0;
  ostrel::CCITTFaxDecodeRows(input, k, width, 64, aligned, [&rows](const uint8_t*) { ++rows; });
  return 0;
}
