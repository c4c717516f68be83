#include "pdf/filters/jpeg2000_bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include <openjpeg.h>

namespace ostrel {
namespace {

struct TWriteBuffer {
  std::string Data;
  size_t Pos = 0;
};

OPJ_SIZE_T WriteFn(void* buffer, OPJ_SIZE_T size, void* user) {
  auto* w = static_cast<TWriteBuffer*>(user);
  if (w->Data.size() < w->Pos + size) w->Data.resize(w->Pos + size);
  std::memcpy(w->Data.data() + w->Pos, buffer, size);
  w->Pos += size;
  return size;
}
OPJ_OFF_T SkipFn(OPJ_OFF_T n, void* user) {
  auto* w = static_cast<TWriteBuffer*>(user);
  w->Pos += n;
  if (w->Data.size() < w->Pos) w->Data.resize(w->Pos);
  return n;
}
OPJ_BOOL SeekFn(OPJ_OFF_T pos, void* user) {
  static_cast<TWriteBuffer*>(user)->Pos = static_cast<size_t>(pos);
  return OPJ_TRUE;
}

// Lossless encoding of `comps` components of `prec` bits; sample(c, x, y).
std::string EncodeJ2k(OPJ_CODEC_FORMAT format, int width, int height, int comps, int prec,
                      OPJ_COLOR_SPACE space, std::function<int(int, int, int)> sample,
                      bool lastIsAlpha = false) {
  std::vector<opj_image_cmptparm_t> parms(comps);
  for (auto& p : parms) {
    std::memset(&p, 0, sizeof p);
    p.dx = p.dy = 1;
    p.w = width;
    p.h = height;
    p.prec = prec;
  }
  opj_image_t* image = opj_image_create(comps, parms.data(), space);
  image->x1 = width;
  image->y1 = height;
  for (int c = 0; c < comps; ++c)
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) image->comps[c].data[y * width + x] = sample(c, x, y);
  if (lastIsAlpha) image->comps[comps - 1].alpha = 1;

  opj_cparameters_t params;
  opj_set_default_encoder_parameters(&params);
  params.tcp_numlayers = 1;
  params.tcp_rates[0] = 0;  // lossless
  params.cp_disto_alloc = 1;
  params.numresolution = 1;  // tiny test images allow no wavelet levels
  opj_codec_t* codec = opj_create_compress(format);
  opj_setup_encoder(codec, &params, image);
  TWriteBuffer out;
  opj_stream_t* stream = opj_stream_create(1 << 16, OPJ_FALSE);
  opj_stream_set_user_data(stream, &out, nullptr);
  opj_stream_set_write_function(stream, WriteFn);
  opj_stream_set_skip_function(stream, SkipFn);
  opj_stream_set_seek_function(stream, SeekFn);
  bool ok = opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
            opj_end_compress(codec, stream);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  return ok ? out.Data : std::string();
}

int Pattern(int c, int x, int y) { return (x * 37 + y * 11 + c * 70) & 0xFF; }

TEST(Jpeg2000Bitmap, Jp2RgbIsExactWithRedInTheHighByte) {
  std::string jp2 = EncodeJ2k(OPJ_CODEC_JP2, 13, 7, 3, 8, OPJ_CLRSPC_SRGB, Pattern);
  ASSERT_FALSE(jp2.empty());
  TJpeg2000Bitmap bmp;
  bmp.LoadFromStream(jp2);
  ASSERT_EQ(bmp.PixelFormat(), TPixelFormat::pf24bit);
  ASSERT_EQ(bmp.Width(), 13);
  ASSERT_EQ(bmp.Height(), 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) {
      const uint8_t* p = bmp.Row(y) + 3 * x;
      ASSERT_EQ(p[2], Pattern(0, x, y));
      ASSERT_EQ(p[1], Pattern(1, x, y));
      ASSERT_EQ(p[0], Pattern(2, x, y));
    }
}

TEST(Jpeg2000Bitmap, CodestreamGreyScalesOtherPrecisions) {
  // 12-bit grey, raw codestream: 4095 becomes 255, 0 stays 0.
  std::string j2k = EncodeJ2k(OPJ_CODEC_J2K, 4, 2, 1, 12, OPJ_CLRSPC_GRAY,
                              [](int, int x, int y) { return (x + y) % 2 ? 4095 : 0; });
  TJpeg2000Bitmap bmp;
  bmp.LoadFromStream(j2k);
  ASSERT_EQ(bmp.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(bmp.Row(0)[0], 0);
  EXPECT_EQ(bmp.Row(0)[1], 255);
  EXPECT_EQ(bmp.PixelRGB(1, 0), 0xFFFFFFu);
}

TEST(Jpeg2000Bitmap, FourComponentsGive32BitsAlphaAtTheTop) {
  std::string cmyk = EncodeJ2k(OPJ_CODEC_J2K, 3, 3, 4, 8, OPJ_CLRSPC_CMYK, Pattern);
  TJpeg2000Bitmap bmp;
  bmp.LoadFromStream(cmyk);
  ASSERT_EQ(bmp.PixelFormat(), TPixelFormat::pf32bit);
  // Without channel types the components land in reverse: C at byte 3, K at 0.
  EXPECT_EQ(bmp.Row(1)[2 * 4 + 3], Pattern(0, 2, 1));
  EXPECT_EQ(bmp.Row(1)[2 * 4 + 0], Pattern(3, 2, 1));

  std::string rgba = EncodeJ2k(OPJ_CODEC_JP2, 3, 3, 4, 8, OPJ_CLRSPC_SRGB, Pattern, true);
  bmp.LoadFromStream(rgba);
  EXPECT_EQ(bmp.Row(1)[2 * 4 + 2], Pattern(0, 2, 1));  // red
  EXPECT_EQ(bmp.Row(1)[2 * 4 + 3], Pattern(3, 2, 1));  // alpha
}

TEST(Jpeg2000Bitmap, FailuresCarryTheirMessages) {
  TJpeg2000Bitmap bmp;
  auto message = [&](std::string_view data) {
    try {
      bmp.LoadFromStream(data);
    } catch (const EJpeg2000Error& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message("GIF89a......"), "Unknown JPEG 2000 file type");
  EXPECT_EQ(message(""), "Unknown JPEG 2000 file type");
  const char jp2Garbage[] = "\0\0\0\x0cjP  \r\n\x87\n garbage";
  EXPECT_EQ(message(std::string(jp2Garbage, sizeof jp2Garbage - 1)), "JPEG 2000 image decoding failed");
  std::string j2k = EncodeJ2k(OPJ_CODEC_J2K, 16, 16, 3, 8, OPJ_CLRSPC_SRGB, Pattern);
  EXPECT_EQ(message(j2k.substr(0, 20)), "JPEG 2000 image decoding failed");
  EXPECT_TRUE(bmp.Empty());

  // The declared size is checked before OpenJPEG allocates for it.
  bmp.MaxSamples = 16 * 16 * 3 - 1;
  EXPECT_EQ(message(j2k), "JPEG 2000 image decoding failed");
  bmp.MaxSamples = size_t{1} << 28;
  EXPECT_EQ(message(j2k), "no error");
}

}  // namespace
}  // namespace ostrel
