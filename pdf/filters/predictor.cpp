#include "pdf/filters/predictor.h"

#include <cstdlib>
#include <vector>

namespace ostrel {
namespace {

uint8_t Paeth(int left, int above, int upperLeft) {
  int p = left + above - upperLeft;
  int pa = std::abs(p - left), pb = std::abs(p - above), pc = std::abs(p - upperLeft);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(left);
  if (pb <= pc) return static_cast<uint8_t>(above);
  return static_cast<uint8_t>(upperLeft);
}

// One PNG row in place; `prior` is the decoded row above (zeros for the first).
void UnfilterPngRow(uint8_t type, uint8_t* row, const uint8_t* prior, size_t length, size_t bpp) {
  switch (type) {
    case 1:
      for (size_t i = bpp; i < length; ++i) row[i] += row[i - bpp];
      break;
    case 2:
      for (size_t i = 0; i < length; ++i) row[i] += prior[i];
      break;
    case 3:
      for (size_t i = 0; i < length; ++i) {
        int left = i >= bpp ? row[i - bpp] : 0;
        row[i] += static_cast<uint8_t>((left + prior[i]) / 2);
      }
      break;
    case 4:
      for (size_t i = 0; i < length; ++i) {
        int left = i >= bpp ? row[i - bpp] : 0;
        int upperLeft = i >= bpp ? prior[i - bpp] : 0;
        row[i] += Paeth(left, prior[i], upperLeft);
      }
      break;
    default:  // 0 and unknown tags: the row is stored as it is
      break;
  }
}

// TIFF horizontal differencing works on samples, not bytes: 16-bit samples
// carry into their high byte, and sub-byte samples wrap within their width.
void UndoTiffRow(uint8_t* row, size_t columns, int colors, int bpc) {
  size_t samples = columns * static_cast<size_t>(colors);
  if (bpc == 8) {
    for (size_t i = colors; i < samples; ++i) row[i] += row[i - colors];
  } else if (bpc == 16) {
    for (size_t i = colors; i < samples; ++i) {
      uint8_t* cur = row + 2 * i;
      const uint8_t* prev = row + 2 * (i - colors);
      unsigned sum = ((cur[0] << 8) | cur[1]) + ((prev[0] << 8) | prev[1]);
      cur[0] = static_cast<uint8_t>(sum >> 8);
      cur[1] = static_cast<uint8_t>(sum);
    }
  } else {
    unsigned mask = (1u << bpc) - 1;
    auto get = [&](size_t i) {
      size_t bit = i * bpc;
      return (row[bit >> 3] >> (8 - bpc - (bit & 7))) & mask;
    };
    auto put = [&](size_t i, unsigned v) {
      size_t bit = i * bpc;
      int shift = static_cast<int>(8 - bpc - (bit & 7));
      row[bit >> 3] = static_cast<uint8_t>((row[bit >> 3] & ~(mask << shift)) | ((v & mask) << shift));
    };
    for (size_t i = colors; i < samples; ++i) put(i, get(i) + get(i - colors));
  }
}

}  // namespace

bool PredictorParamsValid(const TPDFPredictorParams& p) {
  bool bpcOk = p.BitsPerComponent == 1 || p.BitsPerComponent == 2 || p.BitsPerComponent == 4 ||
               p.BitsPerComponent == 8 || p.BitsPerComponent == 16;
  return bpcOk && p.Colors >= 1 && p.Colors <= 32 && p.Columns >= 1;
}

std::string ApplyPredictor(std::string_view data, const TPDFPredictorParams& p) {
  if (!PredictorParamsValid(p)) return std::string(data);
  const uint64_t pixelBits = static_cast<uint64_t>(p.BitsPerComponent) * p.Colors;
  const uint64_t rowBytes64 = (pixelBits * static_cast<uint64_t>(p.Columns) + 7) / 8;
  const bool png = p.Predictor >= 10 && p.Predictor <= 15;
  const uint64_t stored64 = rowBytes64 + (png ? 1 : 0);
  if (stored64 > data.size()) return {};  // not even one whole row
  const size_t rowBytes = static_cast<size_t>(rowBytes64);
  const size_t stored = static_cast<size_t>(stored64);
  const size_t rows = data.size() / stored;

  std::string out;
  out.reserve(rows * rowBytes);
  if (png) {
    const size_t bpp = static_cast<size_t>((pixelBits + 7) / 8);
    std::vector<uint8_t> prior(rowBytes, 0);
    for (size_t r = 0; r < rows; ++r) {
      const char* src = data.data() + r * stored;
      size_t at = out.size();
      out.append(src + 1, rowBytes);
      uint8_t* row = reinterpret_cast<uint8_t*>(out.data() + at);
      UnfilterPngRow(static_cast<uint8_t>(src[0]), row, prior.data(), rowBytes, bpp);
      prior.assign(row, row + rowBytes);
    }
    return out;
  }
  out.assign(data.data(), rows * rowBytes);
  if (p.Predictor == 2) {
    for (size_t r = 0; r < rows; ++r) {
      UndoTiffRow(reinterpret_cast<uint8_t*>(out.data() + r * rowBytes),
                  static_cast<size_t>(p.Columns), p.Colors, p.BitsPerComponent);
    }
  }
  return out;
}

}  // namespace ostrel
