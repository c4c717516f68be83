#pragma once
// One image XObject or inline image turned into a raster for the canvas: the
// dictionary is read, the filter chain run, the samples of the colour space
// converted, and a mask (stencil, soft mask, mask stream or colour key)
// turned into an opacity plane. Decoded once, drawn any number of times.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/filters/image_filter_chain.h"
#include "pdf/render/colour/colour_space.h"
#include "pdf/render/images/image_decoder_samples.h"
#include "pdf/render/content/render_matrix.h"
#include "platform/bitmap.h"

namespace ostrel {

class TPDFDictionary;
class TPDFGenericCanvas;
class TPDFObject;
class TPDFStream;
struct TImageFilter;

enum class TPDFMaskKind : uint8_t { None, Stencil, Explicit, Soft, ColorKey };

// Pixels of one decoded raster; larger images are decoded at a reduced scale.
inline constexpr int64_t kMaxImagePixels = int64_t{1} << 28;

class TPDFImageDecoder {
 public:
  explicit TPDFImageDecoder(TPDFSimpleColorManager& manager) : manager_(manager) {}

  // Reads the image dictionary and the data of an image XObject. False when
  // nothing drawable results.
  bool DecodeImage(TPDFStream* stream);
  // The same for an inline image whose keys are already in their long form;
  // named colour spaces are looked up in resources.
  bool DecodeInlineImage(TPDFDictionary* dict, std::string_view data, TPDFDictionary* resources);

  // Places the raster on the unit square under ctm. Stencils paint in
  // stencilColor (0x00BBGGRR). smooth averages when the image is shrunk.
  void DrawImage(TPDFGenericCanvas& canvas, const TPDFMatrix& ctm, int32_t stencilColor, bool smooth) const;

  // Bytes held by the decoded raster and its mask.
  size_t DecodedSize() const;

  int ImageWidth = 0;
  int ImageHeight = 0;
  int BitsPerComponent = 0;
  TPDFMaskKind MaskKind = TPDFMaskKind::None;
  // Decoders made for /SMask and /Mask streams read no masks of their own,
  // so a mask chain that leads back to the image cannot loop.
  bool IsMaskDecoder = false;
  // /Interpolate: an enlarged image is drawn smoothly rather than in blocks.
  bool Interpolate = false;
  int64_t MaxPixels = kMaxImagePixels;

  // The raster: 1-bit, 8-bit palette or 24-bit; empty for stencils.
  Bitmap Picture;
  // Opacity per pixel (row after row), AlphaWidth x AlphaHeight; for a
  // stencil its coverage. Empty when the image is opaque.
  std::vector<uint8_t> Alpha;
  int AlphaWidth = 0, AlphaHeight = 0;
  bool Decoded = false;
  std::string LastError;

 private:
  bool Decode(TPDFDictionary* dict, std::string_view raw, TPDFDictionary* resources);
  bool ReadColorSpace(TPDFObject* obj, TPDFDictionary* resources);
  void ReadMasks(TPDFDictionary* dict);
  bool DecodeMaskStream(TPDFStream* stream);
  bool DecodeSamples(const TImageSamples& samples);
  bool DecodeBitmap(const Bitmap& decoded, bool cmykInverted);
  bool DecodeBilevel(std::vector<uint8_t> packed, size_t stride, int width, int height);
  bool DecodeReducedBilevel(std::string_view packed, size_t stride, int width, int height, int step);
  bool DecodeLevels(Bitmap levels);
  bool DecodeCCITT(const std::string& data, TPDFDictionary* params);
  void UseBilevelSpace();
  TImageSampleSpace DrawingSpace() const;
  bool DecodeCodec(int codec, const std::string& data, TPDFDictionary* params);
  // The most bytes the byte filters may make for this image's samples.
  size_t SampleBound(const std::vector<TImageFilter>& filters) const;
  int ReductionStep(int64_t width, int64_t height) const;
  void MatchMaskToPicture();

  TPDFSimpleColorManager& manager_;
  std::unique_ptr<TPDFColorSpace> space_;
  TImageSampleSpace sampleSpace_;
  bool decodeInverted_ = false;  // /Decode starts [1 0
  bool imageMask_ = false;
  std::vector<double> colorKey_;
  std::vector<double> decodeArray_;
};

}  // namespace ostrel
