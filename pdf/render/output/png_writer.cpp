#include "pdf/render/output/png_writer.h"

#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

#include <libdeflate.h>
#include <zlib.h>

#include "platform/zlib_codec.h"

namespace ostrel {

namespace {

void PutBE32(std::string& out, uint32_t v) {
  out += static_cast<char>(v >> 24);
  out += static_cast<char>((v >> 16) & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
  out += static_cast<char>(v & 0xFF);
}

// Length, type, data, and the CRC-32 of type and data.
void PutChunk(std::string& out, const char type[4], std::string_view data) {
  if (data.size() > 0x7FFFFFFFu) throw std::length_error("PNG chunk too large");
  PutBE32(out, static_cast<uint32_t>(data.size()));
  size_t typeAt = out.size();
  out.append(type, 4);
  out.append(data);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32_z(crc, reinterpret_cast<const Bytef*>(out.data() + typeAt), 4 + data.size());
  PutBE32(out, static_cast<uint32_t>(crc));
}

}  // namespace

void TPNGWriter::CreateFromBitmap(const Bitmap& bitmap) {
  picture_ = bitmap.PixelFormat() == TPixelFormat::pf24bit ? bitmap : bitmap.ConvertedTo24Bit();
  source_ = nullptr;
  alpha_.clear();
}

void TPNGWriter::ReferToBitmap(const Bitmap& bitmap) {
  if (bitmap.PixelFormat() != TPixelFormat::pf24bit) return CreateFromBitmap(bitmap);
  picture_ = Bitmap();
  source_ = &bitmap;
  alpha_.clear();
}

void TPNGWriter::SetResolution(double dpi) {
  resolution_ = std::isfinite(dpi) && dpi > 0 && dpi < 1e5 ? static_cast<int>(std::nearbyint(dpi)) : 0;
}

void TPNGWriter::SetTransparentColor(uint32_t color) {
  useTransparent_ = true;
  transparent_ = color & 0xFFFFFF;
}

void TPNGWriter::SetAlphaMask(const Bitmap* mask, bool invert) {
  if (!mask) return;
  Bitmap grey = mask->PixelFormat() == TPixelFormat::pf24bit ? *mask : mask->ConvertedTo24Bit();
  const int w = Picture().Width(), h = Picture().Height();
  const int mw = grey.Width(), mh = grey.Height();
  alpha_.assign(static_cast<size_t>(w) * h, 0);
  if (mw == 0 || mh == 0) return;
  const uint8_t flip = invert ? 0xFF : 0x00;
  for (int y = 0; y < h; ++y) {
    int my = h > 1 ? static_cast<int>(static_cast<int64_t>(y) * (mh - 1) / (h - 1)) : 0;
    if (mw == w && mh == h) my = y;
    const uint8_t* row = grey.Row(my);
    for (int x = 0; x < w; ++x) {
      int mx = w > 1 ? static_cast<int>(static_cast<int64_t>(x) * (mw - 1) / (w - 1)) : 0;
      if (mw == w && mh == h) mx = x;
      alpha_[static_cast<size_t>(y) * w + x] = row[static_cast<size_t>(mx) * 3] ^ flip;
    }
  }
}

void TPNGWriter::SetICCProfile(std::string_view profile) {
  compressedProfile_ = profile.empty() ? std::string() : ZlibDeflate(profile);
}

void TPNGWriter::FilterRow(int y, char* out) const {
  const Bitmap& picture = Picture();
  const int w = picture.Width();
  const bool withAlpha = !alpha_.empty();
  *out++ = '\0';  // filter type 0: the samples as they are
  const uint8_t* bgr = picture.Row(y);
  const uint8_t* alpha = withAlpha ? alpha_.data() + static_cast<size_t>(y) * w : nullptr;
  for (int x = 0; x < w; ++x, bgr += 3) {
    *out++ = static_cast<char>(bgr[2]);
    *out++ = static_cast<char>(bgr[1]);
    *out++ = static_cast<char>(bgr[0]);
    if (withAlpha) *out++ = static_cast<char>(alpha[x]);
  }
}

size_t TPNGWriter::RowBytes() const {
  return 1 + static_cast<size_t>(Picture().Width()) * (alpha_.empty() ? 3 : 4);
}

std::string TPNGWriter::CompressedRows() const {
  const size_t rowBytes = RowBytes();
  const size_t total = rowBytes * static_cast<size_t>(Picture().Height());
  return total <= wholeImageLimit_ ? CompressedWhole(rowBytes, total) : CompressedByRow(rowBytes);
}

namespace {

// The compressor and the two buffers of one thread, kept from page to page:
// allocating them anew for every page costs more than compressing a page of
// text. Buffers above a few megabytes are let go after use.
struct TDeflateScratch {
  static constexpr size_t kKeep = size_t{4} << 20;
  libdeflate_compressor* Compressor = nullptr;
  std::unique_ptr<char[]> Rows, Out;
  size_t RowsSize = 0, OutSize = 0;
  ~TDeflateScratch() { libdeflate_free_compressor(Compressor); }
  static char* Reserve(std::unique_ptr<char[]>& buffer, size_t& size, size_t wanted) {
    if (size < wanted) {
      buffer.reset(new char[wanted]);  // left uninitialized: every byte is written before use
      size = wanted;
    }
    return buffer.get();
  }
  void Trim() {
    if (RowsSize > kKeep) Rows.reset(), RowsSize = 0;
    if (OutSize > kKeep) Out.reset(), OutSize = 0;
  }
};

}  // namespace

// libdeflate compresses the whole filtered image in one call: at level 6 it
// is about twice as fast as zlib's default level and its output is a little
// smaller on rendered pages (text, drawings and photos alike).
std::string TPNGWriter::CompressedWhole(size_t rowBytes, size_t total) const {
  thread_local TDeflateScratch scratch;
  if (!scratch.Compressor) scratch.Compressor = libdeflate_alloc_compressor(kDeflateLevel);
  if (!scratch.Compressor) return {};
  char* rows = TDeflateScratch::Reserve(scratch.Rows, scratch.RowsSize, total);
  for (int y = 0; y < Picture().Height(); ++y) FilterRow(y, rows + static_cast<size_t>(y) * rowBytes);
  const size_t bound = libdeflate_zlib_compress_bound(scratch.Compressor, total);
  char* out = TDeflateScratch::Reserve(scratch.Out, scratch.OutSize, bound);
  const size_t size = libdeflate_zlib_compress(scratch.Compressor, rows, total, out, bound);
  std::string data(out, size);
  scratch.Trim();
  return data;
}

// zlib streams a picture too large to hold twice, one row at a time.
std::string TPNGWriter::CompressedByRow(size_t rowBytes) const {
  std::string row(rowBytes, '\0');
  std::string data;
  z_stream z{};
  if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) return {};
  std::vector<Bytef> chunk(65536);
  auto feed = [&](const char* bytes, size_t size, int flush) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
    z.avail_in = static_cast<uInt>(size);
    int rc;
    do {
      z.next_out = chunk.data();
      z.avail_out = static_cast<uInt>(chunk.size());
      rc = deflate(&z, flush);
      data.append(reinterpret_cast<const char*>(chunk.data()), chunk.size() - z.avail_out);
    } while (rc == Z_OK && (z.avail_in > 0 || z.avail_out == 0 || flush == Z_FINISH));
    return rc == Z_OK || rc == Z_BUF_ERROR || rc == Z_STREAM_END;
  };
  bool ok = true;
  for (int y = 0; y < Picture().Height() && ok; ++y) {
    FilterRow(y, row.data());
    ok = feed(row.data(), row.size(), Z_NO_FLUSH);
  }
  ok = ok && feed(nullptr, 0, Z_FINISH);
  deflateEnd(&z);
  return ok ? data : std::string();
}

std::string TPNGWriter::Write() const {
  std::string out("\x89PNG\r\n\x1a\n", 8);

  std::string header;
  PutBE32(header, static_cast<uint32_t>(Picture().Width()));
  PutBE32(header, static_cast<uint32_t>(Picture().Height()));
  header += static_cast<char>(8);                       // bit depth
  header += static_cast<char>(alpha_.empty() ? 2 : 6);  // colour type
  header.append(3, '\0');                               // compression, filter, interlace
  PutChunk(out, "IHDR", header);

  std::string physical;
  const uint32_t perMetre = static_cast<uint32_t>(resolution_) * 10000u / 254u + 1u;
  PutBE32(physical, perMetre);
  PutBE32(physical, perMetre);
  physical += static_cast<char>(1);  // unit: metre
  PutChunk(out, "pHYs", physical);

  // PNG forbids tRNS beside a full alpha channel.
  if (useTransparent_ && alpha_.empty()) {
    const char key[6] = {0, static_cast<char>(transparent_ & 0xFF), 0, static_cast<char>((transparent_ >> 8) & 0xFF),
                         0, static_cast<char>((transparent_ >> 16) & 0xFF)};
    PutChunk(out, "tRNS", std::string_view(key, 6));
  }
  if (!compressedProfile_.empty()) {
    std::string profile("OSLProfile");
    profile += '\0';  // end of the name
    profile += '\0';  // compression method 0
    profile += compressedProfile_;
    PutChunk(out, "iCCP", profile);
  }

  std::string data = CompressedRows();
  if (data.empty()) throw std::runtime_error("PNG compression failed");
  PutChunk(out, "IDAT", data);
  PutChunk(out, "IEND", {});
  return out;
}

}  // namespace ostrel
