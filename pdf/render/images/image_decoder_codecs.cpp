// The image codecs at the end of a filter chain: JPEG through libjpeg,
// JPEG 2000 through OpenJPEG, CCITT fax and JBIG2 through our decoders. Each
// result is turned back into samples so that colour spaces, /Decode and
// colour keys are applied exactly as for uncompressed images.
#include <algorithm>
#include <string>

#include "pdf/core/pdf_objects.h"
#include "pdf/filters/dct_decoder.h"
#include "pdf/filters/image_filter_chain.h"
#include "pdf/filters/jbig2/jbig2_decoder.h"
#include "pdf/filters/jpeg2000_bitmap.h"
#include "pdf/render/images/image_decoder.h"
#include "pdf/render/content/render_lookup.h"

namespace ostrel {

bool TPDFImageDecoder::DecodeCodec(int codec, const std::string& data, TPDFDictionary* params) {
  switch (static_cast<TImageFinalDecoder>(codec)) {
    case TImageFinalDecoder::DCT: {
      TDCTDecoder dct;
      dct.MaxBytes = static_cast<size_t>(std::min<int64_t>(MaxPixels * 4, int64_t{Bitmap::kMaxBytes}));
      Bitmap decoded;
      TJpegInfo info;
      if (!dct.Decode(data, decoded, &info, &LastError)) return false;
      return DecodeBitmap(decoded, info.AdobeInverted);
    }
    case TImageFinalDecoder::JPX: {
      TJpeg2000Bitmap decoded;
      decoded.MaxSamples = static_cast<size_t>(MaxPixels * 4);
      decoded.UseCMYK = space_ && space_->ComponentCount() == 4;
      try {
        decoded.LoadFromStream(data);
      } catch (const EJpeg2000Error& e) {
        LastError = e.what();
        return false;
      }
      // OpenJPEG's four-component pictures hold the components in reverse.
      Bitmap reordered;
      if (decoded.PixelFormat() == TPixelFormat::pf32bit && space_ && space_->ComponentCount() == 4) {
        for (int y = 0; y < decoded.Height(); ++y) {
          uint8_t* p = decoded.Row(y);
          for (int x = 0; x < decoded.Width(); ++x, p += 4) std::swap(p[0], p[3]), std::swap(p[1], p[2]);
        }
      } else if (decoded.PixelFormat() == TPixelFormat::pf32bit) {
        // Colour with an alpha channel: the colour is used, the alpha dropped.
        reordered = decoded.ConvertedTo24Bit();
        return DecodeBitmap(reordered, false);
      }
      return DecodeBitmap(decoded, false);
    }
    case TImageFinalDecoder::CCITTFax:
      return DecodeCCITT(data, params);
    case TImageFinalDecoder::JBIG2: {
      std::string globals;
      if (auto* stream = params ? params->Get<TPDFStream>("JBIG2Globals") : nullptr) globals = stream->DecodedData();
      TOSLJBIG2Decoder jbig2;
      if (!jbig2.Decode(data, globals)) {
        LastError = jbig2.LastError();
        return false;
      }
      // JBIG2 pages have 1 for black; image samples have 0 for black.
      std::vector<uint8_t> packed = jbig2.Packed();
      for (uint8_t& b : packed) b = static_cast<uint8_t>(~b);
      return DecodeBilevel(std::move(packed), jbig2.RowBytes(), std::min(ImageWidth, jbig2.Width()),
                           std::min(ImageHeight, jbig2.Height()));
    }
    case TImageFinalDecoder::None: break;
  }
  return false;
}

bool TPDFImageDecoder::DecodeBitmap(const Bitmap& decoded, bool cmykInverted) {
  if (decoded.Empty()) return false;
  int n = 1;
  switch (decoded.PixelFormat()) {
    case TPixelFormat::pf24bit: n = 3; break;
    case TPixelFormat::pf32bit: n = 4; break;
    case TPixelFormat::pf8bit: n = 1; break;
    default: return DecodeBitmap(decoded.ConvertedTo24Bit(), false);
  }
  // A codec's component count wins over a dictionary that disagrees.
  if (imageMask_ || !space_ || static_cast<int>(space_->ComponentCount()) != n) {
    static constexpr TPDFColorSpaceKind kByCount[] = {TPDFColorSpaceKind::DeviceGray, TPDFColorSpaceKind::DeviceGray,
                                                       TPDFColorSpaceKind::DeviceGray, TPDFColorSpaceKind::DeviceRGB,
                                                       TPDFColorSpaceKind::DeviceCMYK};
    if (!imageMask_) {
      space_ = std::make_unique<TPDFDeviceColorSpace>(manager_, kByCount[n]);
      sampleSpace_ = {};
      sampleSpace_.Space = space_.get();
    }
  }
  if (imageMask_) n = 1;
  const int w = decoded.Width(), h = decoded.Height();
  // CMYK samples are taken as stored, Adobe marker or not (pdftoppm agrees
  // on Photoshop's files); a /Decode of [1 0 ...] inverts them.
  (void)cmykInverted;
  const bool invert = n == 4 && decodeInverted_;
  const size_t stride = static_cast<size_t>(w) * static_cast<size_t>(n);
  std::string samples(stride * static_cast<size_t>(h), '\0');
  for (int y = 0; y < h; ++y) {
    const uint8_t* in = decoded.Row(y);
    char* out = samples.data() + static_cast<size_t>(y) * stride;
    for (int x = 0; x < w; ++x) {
      switch (decoded.PixelFormat()) {
        case TPixelFormat::pf8bit:
          // Stencils from a codec: dark samples count as 0.
          out[x] = static_cast<char>(imageMask_ ? (in[x] < 128 ? 0 : 255) : in[x]);
          break;
        case TPixelFormat::pf24bit:
          if (imageMask_) {
            out[x] = static_cast<char>(in[3 * x + 1] < 128 ? 0 : 255);
          } else {
            out[3 * x] = static_cast<char>(in[3 * x + 2]);
            out[3 * x + 1] = static_cast<char>(in[3 * x + 1]);
            out[3 * x + 2] = static_cast<char>(in[3 * x]);
          }
          break;
        default:
          if (imageMask_) {
            out[x] = static_cast<char>(in[4 * x + 3] < 128 ? 0 : 255);
            break;
          }
          for (int c = 0; c < 4; ++c) out[4 * x + c] = static_cast<char>(invert ? 255 - in[4 * x + c] : in[4 * x + c]);
          break;
      }
    }
  }
  TImageSamples view;
  view.Data = samples;
  view.Stride = stride;
  view.Width = w;
  view.Height = h;
  view.Components = n;
  view.Bits = 8;
  view.Step = ReductionStep(w, h);
  if (imageMask_) {
    // A stencil reads bit samples: repack the bytes (0 or 255) as bits.
    std::vector<uint8_t> bits((static_cast<size_t>(w) + 7) / 8 * static_cast<size_t>(h), 0);
    const size_t bitStride = (static_cast<size_t>(w) + 7) / 8;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (samples[static_cast<size_t>(y) * stride + x]) bits[y * bitStride + x / 8] |= static_cast<uint8_t>(0x80 >> (x & 7));
    return DecodeBilevel(std::move(bits), bitStride, w, h);
  }
  return DecodeSamples(view);
}

}  // namespace ostrel
