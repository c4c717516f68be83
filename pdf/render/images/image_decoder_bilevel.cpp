// Bilevel images: CCITT fax, JBIG2 and 1-bit samples. Up to the pixel bound
// they are drawn from their 1-bit samples; beyond it their rows are averaged
// into a reduced picture of gray levels as they are decoded, so a fax page of
// billions of pixels is drawn without ever being held whole.
#include <algorithm>
#include <cstring>
#include <string>

#include "pdf/core/pdf_objects.h"
#include "pdf/filters/ccitt/ccitt_decoder.h"
#include "pdf/render/images/image_bilevel_reducer.h"
#include "pdf/render/images/image_decoder.h"

namespace ostrel {
namespace {

bool BoolParam(TPDFDictionary* params, std::string_view key) {
  auto* value = params ? params->Get<TPDFBoolean>(key) : nullptr;
  return value && value->Value;
}

int IntParam(TPDFDictionary* params, std::string_view key, int fallback) {
  return params ? params->GetInteger(key, fallback) : fallback;
}

}  // namespace

// Bilevel data is one gray bit per pixel whatever the dictionary claims,
// except that a one-component space (Indexed, Separation) picks its colours.
void TPDFImageDecoder::UseBilevelSpace() {
  if (imageMask_ || (space_ && space_->ComponentCount() == 1)) return;
  space_ = std::make_unique<TPDFDeviceColorSpace>(manager_, TPDFColorSpaceKind::DeviceGray);
  sampleSpace_ = {};
  sampleSpace_.Space = space_.get();
}

bool TPDFImageDecoder::DecodeBilevel(std::vector<uint8_t> packed, size_t stride, int width, int height) {
  if (width < 1 || height < 1) return false;
  UseBilevelSpace();
  const std::string_view view(reinterpret_cast<const char*>(packed.data()), packed.size());
  const int step = ReductionStep(width, height);
  if (step > 1) return DecodeReducedBilevel(view, stride, width, height, step);
  TImageSamples samples;
  samples.Data = view;
  samples.Stride = stride;
  samples.Width = width;
  samples.Height = height;
  samples.Components = 1;
  samples.Bits = 1;
  return DecodeSamples(samples);
}

// Packed rows (stride bytes apart; missing bytes read as 0) averaged by step.
bool TPDFImageDecoder::DecodeReducedBilevel(std::string_view packed, size_t stride, int width, int height,
                                            int step) {
  TImageBilevelReducer reducer;
  if (!reducer.Start(width, height, step, false)) {
    LastError = "image too large";
    return false;
  }
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  std::vector<uint8_t> padded(rowBytes);
  for (int y = 0; y < height; ++y) {
    const uint64_t start = static_cast<uint64_t>(y) * stride;
    if (start >= packed.size()) break;  // the rest reads as 0-bits
    const auto* row = reinterpret_cast<const uint8_t*>(packed.data() + start);
    if (packed.size() - start < rowBytes) {
      std::fill(padded.begin(), padded.end(), 0);
      std::memcpy(padded.data(), row, packed.size() - start);
      row = padded.data();
    }
    reducer.AddRow(row);
  }
  reducer.Finish();
  return DecodeLevels(std::move(reducer.Levels()));
}

// A reduced bilevel picture takes the place of the samples: the levels get
// the colours of the space, or become the stencil's coverage.
bool TPDFImageDecoder::DecodeLevels(Bitmap levels) {
  if (levels.Empty()) return false;
  if (imageMask_) {
    Alpha = LevelCoverage(levels, decodeInverted_);
    AlphaWidth = levels.Width();
    AlphaHeight = levels.Height();
    Decoded = true;
    return true;
  }
  SetLevelPalette(levels, DrawingSpace());
  Picture = std::move(levels);
  if (MaskKind == TPDFMaskKind::ColorKey) {
    Alpha = LevelColorKeyAlpha(Picture, colorKey_);
    AlphaWidth = Picture.Width();
    AlphaHeight = Picture.Height();
  }
  MatchMaskToPicture();
  Decoded = true;
  return true;
}

bool TPDFImageDecoder::DecodeCCITT(const std::string& data, TPDFDictionary* params) {
  const int k = IntParam(params, "K", 0);
  const int columns = IntParam(params, "Columns", 1728);
  const int rows = ImageHeight;
  if (columns < 1) return false;
  const bool align = BoolParam(params, "EncodedByteAlign");
  // The decoder gives 1 for black; samples have 0 for black unless
  // /BlackIs1 is true.
  const bool blackIs1 = BoolParam(params, "BlackIs1");
  const int width = std::min(ImageWidth, columns);
  std::string error;

  if (static_cast<uint64_t>(columns) * static_cast<uint64_t>(rows) <=
      std::min<uint64_t>(kMaxCCITTPixels, static_cast<uint64_t>(std::max<int64_t>(MaxPixels, 1)))) {
    std::vector<uint8_t> packed = CCITTFaxDecode(data, k, columns, rows, align, &error);
    if (packed.empty()) {
      LastError = error.empty() ? "CCITT data could not be decoded" : error;
      return false;
    }
    if (!blackIs1)
      for (uint8_t& b : packed) b = static_cast<uint8_t>(~b);
    return DecodeBilevel(std::move(packed), (static_cast<size_t>(columns) + 7) / 8, width, rows);
  }

  // Too large to hold: the rows are averaged as they come.
  UseBilevelSpace();
  TImageBilevelReducer reducer;
  if (!reducer.Start(width, rows, ReductionStep(width, rows), !blackIs1)) {
    LastError = "image too large";
    return false;
  }
  const TCCITTRowSink sink = [&reducer](const uint8_t* row) { reducer.AddRow(row); };
  if (!CCITTFaxDecodeRows(data, k, columns, rows, align, sink, &error)) {
    LastError = error.empty() ? "CCITT data could not be decoded" : error;
    return false;
  }
  reducer.Finish();
  return DecodeLevels(std::move(reducer.Levels()));
}

}  // namespace ostrel
