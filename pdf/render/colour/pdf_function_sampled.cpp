#include <cmath>

#include "pdf/render/colour/pdf_function_types.h"

namespace ostrel {

namespace {

// Clamp that tolerates lo > hi (gives lo) and NaN (gives lo).
double Limit(double v, double lo, double hi) {
  if (!(v >= lo)) return lo;
  return v > hi ? std::max(lo, hi) : v;
}

bool ValidBitsPerSample(int32_t bits) {
  switch (bits) {
    case 1: case 2: case 4: case 8: case 12: case 16: case 24: case 32: return true;
    default: return false;
  }
}

// Bits past the end of the data read as 0.
uint64_t ReadBits(const std::string& data, uint64_t position, int bits) {
  uint64_t value = 0;
  for (int i = 0; i < bits; ++i, ++position) {
    const uint64_t byte = position / 8;
    const unsigned bit = byte < data.size()
                             ? (static_cast<unsigned char>(data[byte]) >> (7 - position % 8)) & 1u
                             : 0u;
    value = value << 1 | bit;
  }
  return value;
}

}  // namespace

bool TPDFType0Function::Load(TPDFDictionary* dict, std::string data) {
  const size_t m = InputCount(), n = OutputCount();
  if (n == 0) return false;
  BitsPerSample = dict->GetInteger("BitsPerSample", 0);
  Order = dict->GetInteger("Order", 1);
  if (!ValidBitsPerSample(BitsPerSample)) return false;
  if (!ReadNumbers(dict->GetValue("Size"), kMaxFunctionInputs, Size) || Size.size() < m) return false;
  Size.resize(m);
  // Every sample offset must fit comfortably in 64 bits.
  double totalBits = static_cast<double>(BitsPerSample) * n;
  for (double& s : Size) {
    s = std::nearbyint(s);
    if (!(s >= 1 && s <= 2147483647.0)) return false;
    totalBits *= s;
  }
  if (totalBits > 0x1p62) return false;

  if (!ReadNumbers(dict->GetValue("Encode"), 2 * kMaxFunctionInputs + 1, Encode) ||
      !ReadNumbers(dict->GetValue("Decode"), 2 * kMaxFunctionOutputs + 1, Decode))
    return false;
  for (size_t i = Encode.size() / 2; i < m; ++i) Encode.resize(2 * i), Encode.push_back(0), Encode.push_back(Size[i] - 1);
  Encode.resize(2 * m);
  for (size_t j = Decode.size() / 2; j < n; ++j) Decode.resize(2 * j), Decode.push_back(Range[2 * j]), Decode.push_back(Range[2 * j + 1]);
  Decode.resize(2 * n);
  Data = std::move(data);
  return true;
}

bool TPDFType0Function::Evaluate(std::span<const double> inputs, std::vector<double>& outputs) const {
  const size_t m = InputCount(), n = OutputCount();
  uint64_t sample = 0, stride = n;
  for (size_t i = 0; i < m; ++i) {
    const double d0 = Domain[2 * i], d1 = Domain[2 * i + 1];
    const double x = Limit(i < inputs.size() ? inputs[i] : d0, d0, d1);
    const double e0 = Encode[2 * i], e1 = Encode[2 * i + 1];
    double e = d1 == d0 ? e0 : e0 + (x - d0) * (e1 - e0) / (d1 - d0);
    e = Limit(e, 0, Size[i] - 1);
    sample += static_cast<uint64_t>(std::nearbyint(e)) * stride;
    stride *= static_cast<uint64_t>(Size[i]);
  }
  const uint64_t position = sample * static_cast<uint64_t>(BitsPerSample);
  const double maxSample = std::ldexp(1.0, BitsPerSample) - 1;
  outputs.resize(n);
  for (size_t j = 0; j < n; ++j) {
    const double s = static_cast<double>(ReadBits(Data, position + j * BitsPerSample, BitsPerSample));
    const double y = Decode[2 * j] + s * (Decode[2 * j + 1] - Decode[2 * j]) / maxSample;
    outputs[j] = Limit(y, Range[2 * j], Range[2 * j + 1]);
  }
  return true;
}

}  // namespace ostrel
