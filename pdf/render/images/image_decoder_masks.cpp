// Bringing a mask and its image to one size. A mask of another size than
// its image is stretched, and so is the image, to the larger width and the
// larger height, so that neither loses detail; both are sampled by nearest
// neighbour, as the image itself is drawn.
#include <algorithm>
#include <cstring>

#include "pdf/render/images/image_decoder.h"

namespace ostrel {
namespace {

std::vector<uint8_t> ResamplePlane(const std::vector<uint8_t>& plane, int w, int h, int toW, int toH) {
  std::vector<uint8_t> out(static_cast<size_t>(toW) * static_cast<size_t>(toH));
  for (int y = 0; y < toH; ++y) {
    const size_t sy = static_cast<size_t>(static_cast<int64_t>(y) * h / toH);
    for (int x = 0; x < toW; ++x) {
      const size_t sx = static_cast<size_t>(static_cast<int64_t>(x) * w / toW);
      out[static_cast<size_t>(y) * toW + x] = plane[sy * w + sx];
    }
  }
  return out;
}

// A 24-bit picture stretched to toW x toH.
bool ResamplePicture(Bitmap& picture, int toW, int toH) {
  Bitmap source = picture.PixelFormat() == TPixelFormat::pf24bit ? std::move(picture) : picture.ConvertedTo24Bit();
  Bitmap out;
  if (!out.SetSize(toW, toH, TPixelFormat::pf24bit)) {
    picture = std::move(source);
    return false;
  }
  const int w = source.Width(), h = source.Height();
  for (int y = 0; y < toH; ++y) {
    const uint8_t* in = source.Row(static_cast<int>(static_cast<int64_t>(y) * h / toH));
    uint8_t* row = out.Row(y);
    for (int x = 0; x < toW; ++x)
      std::memcpy(row + 3 * static_cast<size_t>(x), in + 3 * static_cast<size_t>(static_cast<int64_t>(x) * w / toW), 3);
  }
  picture = std::move(out);
  return true;
}

}  // namespace

void TPDFImageDecoder::MatchMaskToPicture() {
  if (Alpha.empty() || Picture.Empty()) return;
  const int pw = Picture.Width(), ph = Picture.Height();
  if (AlphaWidth == pw && AlphaHeight == ph) return;
  if (AlphaWidth < 1 || AlphaHeight < 1 ||
      Alpha.size() < static_cast<size_t>(AlphaWidth) * static_cast<size_t>(AlphaHeight)) {
    Alpha.clear();
    return;
  }
  int toW = std::max(pw, AlphaWidth), toH = std::max(ph, AlphaHeight);
  // Growing both past the pixel bound would cost more than the detail is
  // worth: the mask then follows the image.
  if (static_cast<int64_t>(toW) * toH > MaxPixels) toW = pw, toH = ph;
  if ((toW != pw || toH != ph) && !ResamplePicture(Picture, toW, toH)) {
    toW = Picture.Width(), toH = Picture.Height();
    if (toW == 0) return;
  }
  Alpha = ResamplePlane(Alpha, AlphaWidth, AlphaHeight, toW, toH);
  AlphaWidth = toW;
  AlphaHeight = toH;
}

}  // namespace ostrel
