#include "pdf/render/images/image_decoder.h"

#include <algorithm>
#include <cmath>

#include "pdf/core/decode_budget.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/filters/image_filter_chain.h"
#include "pdf/render/colour/colour_space_loader.h"
#include "pdf/render/content/render_lookup.h"

namespace ostrel {
namespace {

bool IsBitDepth(int bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16; }

bool BoolEntry(TPDFDictionary* dict, std::string_view key) {
  auto* value = dict->Get<TPDFBoolean>(key);
  return value && value->Value;
}

std::vector<double> NumbersOf(TPDFObject* obj) {
  std::vector<double> out;
  auto* array = PdfCast<TPDFArray>(ResolveObject(obj));
  if (!array) return out;
  for (size_t i = 0; i < array->Count() && i < 2 * kMaxImageColorants; ++i) {
    auto* number = PdfCast<TPDFNumeric>(array->ItemResolved(i));
    out.push_back(number && std::isfinite(number->Value) ? number->Value : 0.0);
  }
  return out;
}

}  // namespace

bool TPDFImageDecoder::DecodeImage(TPDFStream* stream) {
  if (!stream || !stream->StreamDict) return false;
  return Decode(stream->StreamDict, stream->RawData, nullptr);
}

bool TPDFImageDecoder::DecodeInlineImage(TPDFDictionary* dict, std::string_view data, TPDFDictionary* resources) {
  if (!dict) return false;
  IsMaskDecoder = false;
  return Decode(dict, data, resources);
}

size_t TPDFImageDecoder::SampleBound(const std::vector<TImageFilter>& filters) const {
  size_t bound = DecodeOutputBound(kMaxDecodedStreamBytes);
  if (HasImageCodec(filters) || !IsBitDepth(BitsPerComponent)) return bound;
  // Samples beyond the image's own rows are never used: a small image over a
  // stream that inflates to gigabytes stops near its size. The slack covers
  // predictor bytes and /Columns wider than /Width in real files.
  const int n = imageMask_ ? 1 : static_cast<int>(space_ ? space_->ComponentCount() : 1);
  const uint64_t rows = TImageSamples::RowBytes(ImageWidth, std::max(n, 1), BitsPerComponent) + 1;
  const uint64_t height = static_cast<uint64_t>(ImageHeight);
  if (rows > (bound >> 3) / height) return bound;
  const uint64_t need = rows * height;
  return std::min<size_t>(bound, 4 * need + (size_t{1} << 20));
}

int TPDFImageDecoder::ReductionStep(int64_t width, int64_t height) const {
  const int64_t cap = std::max<int64_t>(MaxPixels, 1);
  int64_t step = std::max<int64_t>(1, static_cast<int64_t>(std::sqrt(static_cast<double>(width) * height / cap)));
  while (((width + step - 1) / step) * ((height + step - 1) / step) > cap) step += std::max<int64_t>(1, step / 16);
  return static_cast<int>(std::min<int64_t>(step, 1 << 30));
}

bool TPDFImageDecoder::Decode(TPDFDictionary* dict, std::string_view raw, TPDFDictionary* resources) {
  ImageWidth = dict->GetInteger("Width", 0);
  ImageHeight = dict->GetInteger("Height", 0);
  if (ImageWidth < 1 || ImageHeight < 1) {
    LastError = "image without a usable /Width and /Height";
    return false;
  }
  imageMask_ = BoolEntry(dict, "ImageMask");
  Interpolate = BoolEntry(dict, "Interpolate");
  BitsPerComponent = imageMask_ ? 1 : dict->GetInteger("BitsPerComponent", 0);
  decodeArray_ = NumbersOf(dict->GetValue("Decode"));
  decodeInverted_ = decodeArray_.size() >= 2 && decodeArray_[0] == 1 && decodeArray_[1] == 0;
  if (imageMask_) {
    if (!IsMaskDecoder) MaskKind = TPDFMaskKind::Stencil;
  } else {
    ReadColorSpace(dict->GetValue("ColorSpace"), resources);
  }
  if (!IsMaskDecoder && !imageMask_) ReadMasks(dict);

  std::vector<TPDFObject*> paramObjects;
  const std::vector<TImageFilter> filters = ImageFiltersOf(dict, &paramObjects);
  TImageFilterChainResult chain = DecodeImageFilterChain(raw, filters, SampleBound(filters));
  // Data without filters is the file's own bytes, not decoded.
  if (!filters.empty()) ChargeDecoded(chain.Data.size());
  if (chain.FinalDecoder != TImageFinalDecoder::None) {
    TPDFDictionary* params = nullptr;
    if (chain.FinalFilterIndex >= 0 && static_cast<size_t>(chain.FinalFilterIndex) < paramObjects.size())
      params = PdfCast<TPDFDictionary>(paramObjects[chain.FinalFilterIndex]);
    return DecodeCodec(static_cast<int>(chain.FinalDecoder), chain.Data, params);
  }

  if (!IsBitDepth(BitsPerComponent)) {
    LastError = "bits per component must be 1, 2, 4, 8 or 16";
    return false;
  }
  const int n = imageMask_ ? 1 : static_cast<int>(space_ ? space_->ComponentCount() : 1);
  if (n < 1 || n > kMaxImageColorants) {
    LastError = "too many colour components";
    return false;
  }
  TImageSamples samples;
  samples.Data = chain.Data;
  samples.Stride = TImageSamples::RowBytes(ImageWidth, n, BitsPerComponent);
  samples.Width = ImageWidth;
  samples.Height = ImageHeight;
  samples.Components = n;
  samples.Bits = BitsPerComponent;
  samples.Step = ReductionStep(ImageWidth, ImageHeight);
  // Bilevel samples are averaged rather than picked when reduced.
  if (n == 1 && BitsPerComponent == 1 && samples.Step > 1)
    return DecodeReducedBilevel(samples.Data, samples.Stride, ImageWidth, ImageHeight, samples.Step);
  return DecodeSamples(samples);
}

bool TPDFImageDecoder::ReadColorSpace(TPDFObject* obj, TPDFDictionary* resources) {
  sampleSpace_ = {};
  space_.reset();
  obj = ResolveObject(obj);
  // Inline images name their spaces; names other than the device spaces
  // are entries of the resources' /ColorSpace.
  if (auto* name = PdfCast<TPDFName>(obj); name && resources) {
    if (TPDFObject* entry = ResourceEntry(resources, "ColorSpace", name->Value)) obj = entry;
  }
  if (!obj) {
    // Without a colour space the samples are read as gray.
    space_ = std::make_unique<TPDFDeviceColorSpace>(manager_, TPDFColorSpaceKind::DeviceGray);
  } else {
    space_ = LoadColorSpace(obj, manager_);
  }
  if (!space_ || space_->Kind() == TPDFColorSpaceKind::Pattern) {
    // An unknown space, or an Indexed space whose /HiVal or table cannot be
    // read: the image is drawn black rather than from unchecked bytes.
    space_.reset();
    sampleSpace_.Black = true;
    return false;
  }
  sampleSpace_.Space = space_.get();
  return true;
}

void TPDFImageDecoder::ReadMasks(TPDFDictionary* dict) {
  if (auto* smask = dict->Get<TPDFStream>("SMask"); smask && DecodeMaskStream(smask)) {
    MaskKind = TPDFMaskKind::Soft;
    return;
  }
  TPDFObject* mask = dict->GetValue("Mask", true);
  if (auto* stream = PdfCast<TPDFStream>(mask); stream && DecodeMaskStream(stream)) {
    MaskKind = TPDFMaskKind::Explicit;
  } else if (PdfCast<TPDFArray>(mask)) {
    colorKey_ = NumbersOf(mask);
    if (!colorKey_.empty()) MaskKind = TPDFMaskKind::ColorKey;
  }
}

bool TPDFImageDecoder::DecodeMaskStream(TPDFStream* stream) {
  TPDFImageDecoder mask(manager_);
  mask.IsMaskDecoder = true;
  mask.MaxPixels = MaxPixels;
  if (!mask.DecodeImage(stream)) return false;
  if (!mask.Alpha.empty()) {
    // A mask stream is an image mask: where it would paint, the image shows.
    Alpha = std::move(mask.Alpha);
    AlphaWidth = mask.AlphaWidth;
    AlphaHeight = mask.AlphaHeight;
  } else if (!mask.Picture.Empty()) {
    Alpha = GrayLevels(mask.Picture);
    AlphaWidth = mask.Picture.Width();
    AlphaHeight = mask.Picture.Height();
  } else {
    return false;
  }
  return true;
}

bool TPDFImageDecoder::DecodeSamples(const TImageSamples& samples) {
  if (imageMask_) {
    Alpha = StencilCoverage(samples, decodeInverted_);
    AlphaWidth = samples.OutWidth();
    AlphaHeight = samples.OutHeight();
    Decoded = true;
    return true;
  }
  if (!SamplesToPicture(samples, DrawingSpace(), Picture)) {
    LastError = "image too large";
    return false;
  }
  if (MaskKind == TPDFMaskKind::ColorKey) {
    Alpha = ColorKeyAlpha(samples, colorKey_);
    AlphaWidth = Picture.Width();
    AlphaHeight = Picture.Height();
  }
  MatchMaskToPicture();
  Decoded = true;
  return true;
}

// The sample space with the /Decode inversion that gray-like spaces honour.
TImageSampleSpace TPDFImageDecoder::DrawingSpace() const {
  TImageSampleSpace space = sampleSpace_;
  const TPDFColorSpaceKind kind = space.Space ? space.Space->Kind() : TPDFColorSpaceKind::DeviceGray;
  space.Inverted = decodeInverted_ &&
                   (kind == TPDFColorSpaceKind::DeviceGray || kind == TPDFColorSpaceKind::Separation);
  return space;
}

size_t TPDFImageDecoder::DecodedSize() const {
  return Picture.Stride() * static_cast<size_t>(Picture.Height()) + Picture.Palette().size() * 4 + Alpha.size() +
         sizeof(*this);
}

}  // namespace ostrel
