#include "pdf/filters/jpeg2000_bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include <openjpeg.h>

namespace ostrel {
namespace {

constexpr unsigned char kJp2Signature[8] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20};
constexpr unsigned char kCodestreamSignature[4] = {0xFF, 0x4F, 0xFF, 0x51};

struct TMemoryReader {
  std::string_view Data;
  size_t Pos = 0;
};

OPJ_SIZE_T ReadBytes(void* buffer, OPJ_SIZE_T size, void* user) {
  auto* r = static_cast<TMemoryReader*>(user);
  size_t n = std::min<size_t>(size, r->Data.size() - r->Pos);
  if (n == 0) return static_cast<OPJ_SIZE_T>(-1);
  std::memcpy(buffer, r->Data.data() + r->Pos, n);
  r->Pos += n;
  return n;
}

OPJ_OFF_T SkipBytes(OPJ_OFF_T count, void* user) {
  auto* r = static_cast<TMemoryReader*>(user);
  if (count < 0) {
    size_t back = std::min<size_t>(static_cast<size_t>(-count), r->Pos);
    r->Pos -= back;
    return -static_cast<OPJ_OFF_T>(back);
  }
  size_t n = std::min<size_t>(static_cast<size_t>(count), r->Data.size() - r->Pos);
  r->Pos += n;
  return static_cast<OPJ_OFF_T>(n);
}

OPJ_BOOL SeekBytes(OPJ_OFF_T pos, void* user) {
  auto* r = static_cast<TMemoryReader*>(user);
  if (pos < 0 || static_cast<uint64_t>(pos) > r->Data.size()) return OPJ_FALSE;
  r->Pos = static_cast<size_t>(pos);
  return OPJ_TRUE;
}

void Quiet(const char*, void*) {}

struct TCodecDeleter {
  void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct TStreamDeleter {
  void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct TImageDeleter {
  void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};
using TImagePtr = std::unique_ptr<opj_image_t, TImageDeleter>;

[[noreturn]] void Fail() { throw EJpeg2000Error("JPEG 2000 image decoding failed"); }

uint8_t ScaleSample(int32_t sample, const opj_image_comp_t& comp) {
  int64_t v = sample;
  if (comp.prec == 8) {
    v += comp.sgnd ? 128 : 0;
  } else {
    int64_t offset = comp.sgnd ? (int64_t{1} << (comp.prec - 1)) : 0;
    v = (v + offset) * 255 / ((int64_t{1} << comp.prec) - 1);
  }
  return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
}

// Byte position (B 0, G 1, R 2, A 3) of each component. OpenJPEG applies the
// JP2 channel definitions by reordering components into colour order and
// flagging alpha, so position follows order, with alpha at 3.
std::vector<int> ComponentPositions(const opj_image_t& image, int used) {
  std::vector<int> pos(used);
  if (used == 1) {
    pos[0] = 0;
    return pos;
  }
  bool lastIsAlpha = used == 4 && image.comps[3].alpha;
  int colourCount = lastIsAlpha ? 3 : used;
  for (int i = 0; i < colourCount; ++i) pos[i] = colourCount - 1 - i;
  if (lastIsAlpha) pos[3] = 3;
  return pos;
}

void ConvertYccToRgb(Bitmap& bmp, int bytesPerPixel) {
  auto clampRound = [](double v) { return static_cast<uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0)); };
  for (int y = 0; y < bmp.Height(); ++y) {
    uint8_t* p = bmp.Row(y);
    for (int x = 0; x < bmp.Width(); ++x, p += bytesPerPixel) {
      double Y = p[2], cb = p[1] - 128.0, cr = p[0] - 128.0;
      p[2] = clampRound(Y + 1.402 * cr);
      p[1] = clampRound(Y - 0.34414 * cb - 0.71414 * cr);
      p[0] = clampRound(Y + 1.772 * cb);
    }
  }
}

}  // namespace

void TJpeg2000Bitmap::LoadFromStream(std::string_view data) {
  SetSize(0, 0, TPixelFormat::pf24bit);
  OPJ_CODEC_FORMAT codecFormat;
  if (data.size() >= 8 && std::memcmp(data.data(), kJp2Signature, 8) == 0)
    codecFormat = OPJ_CODEC_JP2;
  else if (data.size() >= 4 && std::memcmp(data.data(), kCodestreamSignature, 4) == 0)
    codecFormat = OPJ_CODEC_J2K;
  else
    throw EJpeg2000Error("Unknown JPEG 2000 file type");

  std::unique_ptr<opj_codec_t, TCodecDeleter> codec(opj_create_decompress(codecFormat));
  if (!codec) Fail();
  opj_set_info_handler(codec.get(), Quiet, nullptr);
  opj_set_warning_handler(codec.get(), Quiet, nullptr);
  opj_set_error_handler(codec.get(), Quiet, nullptr);
  opj_dparameters_t params;
  opj_set_default_decoder_parameters(&params);
  if (!opj_setup_decoder(codec.get(), &params)) Fail();

  TMemoryReader reader{data, 0};
  std::unique_ptr<opj_stream_t, TStreamDeleter> stream(opj_stream_create(1 << 16, OPJ_TRUE));
  if (!stream) Fail();
  opj_stream_set_user_data(stream.get(), &reader, nullptr);
  opj_stream_set_user_data_length(stream.get(), data.size());
  opj_stream_set_read_function(stream.get(), ReadBytes);
  opj_stream_set_skip_function(stream.get(), SkipBytes);
  opj_stream_set_seek_function(stream.get(), SeekBytes);

  opj_image_t* rawImage = nullptr;
  if (!opj_read_header(stream.get(), codec.get(), &rawImage) || !rawImage) {
    opj_image_destroy(rawImage);
    Fail();
  }
  TImagePtr image(rawImage);

  // Bound the declared size before OpenJPEG allocates the tile buffers.
  if (image->numcomps == 0 || image->x1 <= image->x0 || image->y1 <= image->y0) Fail();
  uint64_t width = image->x1 - image->x0, height = image->y1 - image->y0;
  if (width > INT32_MAX || height > INT32_MAX) Fail();
  uint64_t samples = 0;
  for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
    const opj_image_comp_t& c = image->comps[i];
    if (c.dx == 0 || c.dy == 0) Fail();
    samples += (width / c.dx + 1) * (height / c.dy + 1);
    if (samples > MaxSamples) Fail();
  }

  if (!opj_decode(codec.get(), stream.get(), image.get()) ||
      !opj_end_decompress(codec.get(), stream.get()))
    Fail();

  int used = image->numcomps == 3 ? 3 : image->numcomps == 4 ? 4 : 1;
  TPixelFormat format = used == 3 ? TPixelFormat::pf24bit
                        : used == 4 ? TPixelFormat::pf32bit
                                    : TPixelFormat::pf8bit;
  for (int i = 0; i < used; ++i) {
    const opj_image_comp_t& c = image->comps[i];
    if (!c.data || c.w == 0 || c.h == 0 || c.prec == 0 || c.prec > 31) Fail();
  }
  if (!SetSize(static_cast<int>(width), static_cast<int>(height), format)) Fail();
  if (format == TPixelFormat::pf8bit) SetGreyPalette();

  const int bytesPerPixel = used == 1 ? 1 : used;
  std::vector<int> positions = ComponentPositions(*image, used);
  // Writes a component's samples to rowAt(y) for each row, step bytes apart;
  // subsampled components repeat each sample over their dx x dy cell.
  auto copyComponent = [&](const opj_image_comp_t& c, auto rowAt, int step) {
    auto sampleIndex = [](uint64_t imagePos, uint32_t step, uint64_t origin, uint32_t count) {
      int64_t index = static_cast<int64_t>(imagePos / step) - static_cast<int64_t>(origin);
      return static_cast<uint64_t>(std::clamp<int64_t>(index, 0, static_cast<int64_t>(count) - 1));
    };
    const uint64_t originX = (uint64_t{image->x0} + c.dx - 1) / c.dx;
    const uint64_t originY = (uint64_t{image->y0} + c.dy - 1) / c.dy;
    for (uint64_t y = 0; y < height; ++y) {
      const OPJ_INT32* src = c.data + sampleIndex(image->y0 + y, c.dy, originY, c.h) * c.w;
      uint8_t* dst = rowAt(y);
      for (uint64_t x = 0; x < width; ++x, dst += step)
        *dst = ScaleSample(src[sampleIndex(image->x0 + x, c.dx, originX, c.w)], c);
    }
  };
  for (int i = 0; i < used; ++i)
    copyComponent(image->comps[i], [&](uint64_t y) { return Row(static_cast<int>(y)) + positions[i]; }, bytesPerPixel);
  // Grey and opacity: the grey picture, and the opacity for those who ask.
  Opacity.clear();
  const opj_image_comp_t& second = image->comps[image->numcomps > 1 ? 1 : 0];
  if (image->numcomps == 2 && second.data && second.w && second.h && second.prec && second.prec <= 31) {
    Opacity.resize(width * height);
    uint8_t* opacity = reinterpret_cast<uint8_t*>(Opacity.data());
    copyComponent(second, [&](uint64_t y) { return opacity + y * width; }, 1);
  }
  if (image->color_space == OPJ_CLRSPC_SYCC && used >= 3) ConvertYccToRgb(*this, bytesPerPixel);
}

}  // namespace ostrel
