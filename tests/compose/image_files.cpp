#include "tests/compose/image_files.h"

#include <cstdio>
#include <jpeglib.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace ostrel::testing {

namespace {

void Put32BE(std::string& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out += static_cast<char>(v >> s);
}
void Put16LE(std::string& out, uint32_t v) { out += static_cast<char>(v), out += static_cast<char>(v >> 8); }
void Put32LE(std::string& out, uint32_t v) { Put16LE(out, v & 0xFFFF), Put16LE(out, v >> 16); }

void Chunk(std::string& png, const char* type, const std::string& data, bool badCrc) {
  Put32BE(png, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  png += body;
  uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
  Put32BE(png, badCrc ? ~crc : crc);
}

// A sub-image of every step-th pixel from (x0, y0): one Adam7 pass.
SampleImage Subsample(const SampleImage& image, int x0, int y0, int dx, int dy) {
  SampleImage pass = image;
  pass.Width = image.Width > x0 ? (image.Width - x0 + dx - 1) / dx : 0;
  pass.Height = image.Height > y0 ? (image.Height - y0 + dy - 1) / dy : 0;
  pass.Samples.clear();
  for (int y = 0; y < pass.Height; ++y)
    for (int x = 0; x < pass.Width; ++x)
      for (int c = 0; c < image.Channels; ++c) pass.Samples.push_back(image.At(x0 + x * dx, y0 + y * dy, c));
  return pass;
}

// Filters each row with type (row number mod 5), so all five filters get undone.
std::string FilteredRows(const SampleImage& image) {
  std::string packed = PackedRows(image), out;
  size_t rowBytes = (size_t(image.Width) * image.Channels * image.Depth + 7) / 8;
  size_t bpp = std::max<size_t>(1, size_t(image.Channels) * image.Depth / 8);
  std::string prior(rowBytes, '\0');
  for (int y = 0; y < image.Height; ++y) {
    std::string row = packed.substr(y * rowBytes, rowBytes);
    int type = y % 5;
    out += static_cast<char>(type);
    for (size_t i = 0; i < rowBytes; ++i) {
      int a = i >= bpp ? uint8_t(row[i - bpp]) : 0, b = uint8_t(prior[i]), c = i >= bpp ? uint8_t(prior[i - bpp]) : 0;
      int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
      int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      int predicted[5] = {0, a, b, (a + b) / 2, paeth};
      out += static_cast<char>(uint8_t(row[i]) - predicted[type]);
    }
    prior = row;
  }
  return out;
}

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
           static_cast<uLong>(data.size()));
  out.resize(size);
  return out;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string TempPath(const char* suffix) {
  static int counter = 0;
  return "/tmp/ostrel_image_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + suffix;
}

}  // namespace

SampleImage Pattern(int width, int height, int channels, int depth, int seed) {
  SampleImage image{width, height, channels, depth, {}};
  uint32_t max = (1u << depth) - 1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c)
        image.Samples.push_back(static_cast<uint16_t>((x * 37 + y * 101 + c * 53 + seed * 7 + x * y) % (max + 1)));
  return image;
}

std::string PackedRows(const SampleImage& image) {
  std::string out;
  for (int y = 0; y < image.Height; ++y) {
    uint32_t acc = 0;
    int bits = 0;
    for (int x = 0; x < image.Width; ++x)
      for (int c = 0; c < image.Channels; ++c) {
        uint16_t v = image.At(x, y, c);
        if (image.Depth == 16) {
          out += static_cast<char>(v >> 8), out += static_cast<char>(v);
        } else if (image.Depth == 8) {
          out += static_cast<char>(v);
        } else {
          acc = acc << image.Depth | v;
          bits += image.Depth;
          if (bits == 8) out += static_cast<char>(acc), acc = 0, bits = 0;
        }
      }
    if (bits) out += static_cast<char>(acc << (8 - bits));
  }
  return out;
}

std::string MakePng(const SampleImage& image, const PngOptions& options) {
  std::string png("\x89PNG\r\n\x1a\n", 8), ihdr;
  Put32BE(ihdr, image.Width);
  Put32BE(ihdr, image.Height);
  ihdr += static_cast<char>(image.Depth);
  ihdr += static_cast<char>(options.ColorType);
  ihdr += std::string(2, '\0');
  ihdr += static_cast<char>(options.Interlaced ? 1 : 0);
  Chunk(png, "IHDR", ihdr, options.BadCrc);
  if (!options.IccProfile.empty()) Chunk(png, "iCCP", std::string("icc\0\0", 5) + Deflate(options.IccProfile), false);
  if (!options.Palette.empty()) Chunk(png, "PLTE", options.Palette, false);
  std::string raw;
  if (options.Interlaced) {
    constexpr int kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                 {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    for (const auto& p : kPass) {
      SampleImage pass = Subsample(image, p[0], p[1], p[2], p[3]);
      if (pass.Width && pass.Height) raw += FilteredRows(pass);
    }
  } else {
    raw = FilteredRows(image);
  }
  std::string idat = Deflate(raw);
  if (options.TruncateIdatTo) idat.resize(options.TruncateIdatTo);
  // Two IDAT chunks, which the reader must join.
  Chunk(png, "IDAT", idat.substr(0, idat.size() / 2), options.BadCrc);
  Chunk(png, "IDAT", idat.substr(idat.size() / 2), false);
  Chunk(png, "IEND", "", false);
  return png;
}

std::string MakeBmp(int width, int height, const BmpOptions& o, const std::vector<uint32_t>& pixels) {
  std::string data;
  size_t stride = (size_t(width) * o.Bits + 31) / 32 * 4;
  for (int r = 0; r < height; ++r) {
    int y = o.TopDown ? r : height - 1 - r;
    const uint32_t* row = pixels.data() + size_t(y) * width;
    if (o.Rle == 8 || o.Rle == 4) {
      // Runs of equal values, each pair (count, value); pixels per code byte
      // alternate high and low nibble for 4 bits.
      for (int x = 0; x < width;) {
        int n = 1;
        while (x + n < width && n < 255 && row[x + n] == row[x]) ++n;
        data += static_cast<char>(n);
        data += static_cast<char>(o.Rle == 8 ? row[x] : (row[x] << 4 | row[x]));
        x += n;
      }
      data += std::string("\0\0", 2);
      continue;
    }
    std::string line(stride, '\0');
    for (int x = 0; x < width; ++x) {
      uint32_t v = row[x];
      switch (o.Bits) {
        case 1: line[x / 8] |= static_cast<char>(v << (7 - x % 8)); break;
        case 4: line[x / 2] |= static_cast<char>(v << (x % 2 ? 0 : 4)); break;
        case 8: line[x] = static_cast<char>(v); break;
        case 16: {
          uint32_t p = ((v >> 19 & 31) << 10) | ((v >> 11 & 31) << 5) | (v >> 3 & 31);
          line[2 * x] = static_cast<char>(p), line[2 * x + 1] = static_cast<char>(p >> 8);
          break;
        }
        case 24: line[3 * x] = char(v), line[3 * x + 1] = char(v >> 8), line[3 * x + 2] = char(v >> 16); break;
        case 32:
          line[4 * x] = char(v), line[4 * x + 1] = char(v >> 8), line[4 * x + 2] = char(v >> 16), line[4 * x + 3] = char(v >> 24);
          break;
      }
    }
    data += line;
  }
  if (o.Rle) data += std::string("\0\1", 2);
  std::string palette;
  for (uint32_t c : o.Palette) Put32LE(palette, c);
  std::string bmp = "BM";
  uint32_t offset = 14 + 40 + static_cast<uint32_t>(palette.size());
  Put32LE(bmp, offset + static_cast<uint32_t>(data.size()));
  Put32LE(bmp, 0);
  Put32LE(bmp, offset);
  Put32LE(bmp, 40);
  Put32LE(bmp, width);
  Put32LE(bmp, static_cast<uint32_t>(o.TopDown ? -height : height));
  Put16LE(bmp, 1);
  Put16LE(bmp, o.Bits);
  Put32LE(bmp, o.Rle == 8 ? 1 : o.Rle == 4 ? 2 : 0);
  Put32LE(bmp, static_cast<uint32_t>(data.size()));
  Put32LE(bmp, 2835), Put32LE(bmp, 2835);
  Put32LE(bmp, static_cast<uint32_t>(o.Palette.size()));
  Put32LE(bmp, 0);
  return bmp + palette + data;
}

std::string GifLzwEncode(const std::vector<uint8_t>& indices, int minCodeSize) {
  // Literal codes only, with a clear code before the table would widen them.
  const int clear = 1 << minCodeSize, codeSize = minCodeSize + 1, perClear = clear - 2;
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  auto emit = [&](int code) {
    acc |= uint32_t(code) << bits;
    bits += codeSize;
    while (bits >= 8) out += static_cast<char>(acc), acc >>= 8, bits -= 8;
  };
  for (size_t i = 0; i < indices.size(); ++i) {
    if (i % perClear == 0) emit(clear);
    emit(indices[i]);
  }
  emit(clear + 1);
  if (bits) out += static_cast<char>(acc);
  return out;
}

std::string MakeGif(int width, int height, const std::string& globalTable, const std::vector<GifFrame>& frames) {
  auto tableBits = [](const std::string& table) {
    int n = 0;
    while ((2 << n) * 3 < static_cast<int>(table.size())) ++n;
    return n;
  };
  std::string gif = "GIF89a";
  Put16LE(gif, width);
  Put16LE(gif, height);
  gif += static_cast<char>(globalTable.empty() ? 0 : 0x80 | tableBits(globalTable));
  gif += std::string(2, '\0');
  gif += globalTable;
  for (const GifFrame& f : frames) {
    gif += "!\xF9\x04";
    gif += static_cast<char>(f.TransparentIndex >= 0 ? 1 : 0);
    gif += std::string("\0\0", 2);
    gif += static_cast<char>(f.TransparentIndex >= 0 ? f.TransparentIndex : 0);
    gif += '\0';
    gif += ",";
    Put16LE(gif, f.Left), Put16LE(gif, f.Top), Put16LE(gif, f.Width), Put16LE(gif, f.Height);
    gif += static_cast<char>((f.LocalTable.empty() ? 0 : 0x80 | tableBits(f.LocalTable)) | (f.Interlaced ? 0x40 : 0));
    gif += f.LocalTable;
    gif += static_cast<char>(f.MinCodeSize);
    std::vector<uint8_t> stored = f.Indices;
    if (f.Interlaced) {  // rows in the four-pass order
      stored.clear();
      constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
      for (int p = 0; p < 4; ++p)
        for (int y = kStart[p]; y < f.Height; y += kStep[p])
          stored.insert(stored.end(), f.Indices.begin() + y * f.Width, f.Indices.begin() + (y + 1) * f.Width);
    }
    std::string lzw = GifLzwEncode(stored, f.MinCodeSize);
    for (size_t i = 0; i < lzw.size(); i += 255) {
      std::string block = lzw.substr(i, 255);
      gif += static_cast<char>(block.size());
      gif += block;
    }
    gif += '\0';
  }
  gif += ';';
  return gif;
}

std::string MakeTiff(const std::vector<SampleImage>& pages, const TiffOptions& o) {
  std::string path = TempPath(".tif");
  TIFF* tif = TIFFOpen(path.c_str(), o.BigEndian ? "wb" : "wl");
  for (const SampleImage& image : pages) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, image.Width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, image.Height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, image.Depth);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, image.Channels);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, o.Photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, o.Compression);
    if (o.Predictor > 1) TIFFSetField(tif, TIFFTAG_PREDICTOR, o.Predictor);
    if (!o.ExtraSamples.empty())
      TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(o.ExtraSamples.size()), o.ExtraSamples.data());
    if (o.Compression == COMPRESSION_JPEG) {
      TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 90);
      if (o.Photometric == PHOTOMETRIC_YCBCR) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
      if (!o.JpegTablesSeparate) TIFFSetField(tif, TIFFTAG_JPEGTABLESMODE, 0);
    }
    if (!o.ColorMap.empty()) {
      size_t n = o.ColorMap.size() / 3;
      TIFFSetField(tif, TIFFTAG_COLORMAP, o.ColorMap.data(), o.ColorMap.data() + n, o.ColorMap.data() + 2 * n);
    }
    int rows = o.RowsPerStrip ? o.RowsPerStrip : image.Height;
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
    std::string packed = PackedRows(image);
    if (image.Depth == 16) {  // libtiff takes samples in the machine's (little-endian) order
      for (size_t i = 0; i + 1 < packed.size(); i += 2) std::swap(packed[i], packed[i + 1]);
    }
    size_t rowBytes = packed.size() / image.Height;
    for (int s = 0, y = 0; y < image.Height; ++s, y += rows) {
      int n = std::min(rows, image.Height - y);
      TIFFWriteEncodedStrip(tif, s, packed.data() + y * rowBytes, static_cast<tmsize_t>(n * rowBytes));
    }
    TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
  std::string bytes = ReadAll(path);
  std::remove(path.c_str());
  return bytes;
}

std::string MakeJpeg(const SampleImage& image, bool progressive, int quality) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = image.Width;
  c.image_height = image.Height;
  c.input_components = image.Channels;
  c.in_color_space = image.Channels == 1 ? JCS_GRAYSCALE : image.Channels == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::string packed = PackedRows(image);
  size_t rowBytes = size_t(image.Width) * image.Channels;
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(packed.data() + c.next_scanline * rowBytes);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::string out(reinterpret_cast<char*>(buffer), size);
  free(buffer);
  return out;
}

std::string WithJpegSegment(const std::string& jpeg, uint8_t marker, const std::string& body) {
  std::string segment{'\xFF', static_cast<char>(marker)};
  segment += static_cast<char>((body.size() + 2) >> 8);
  segment += static_cast<char>((body.size() + 2) & 0xFF);
  return jpeg.substr(0, 2) + segment + body + jpeg.substr(2);
}

std::string MakeIccProfile(const std::string& space, size_t size) {
  std::string profile(size, '\x5A');
  profile.replace(0, 36, std::string(36, '\0'));
  for (int i = 0; i < 4; ++i) profile[i] = static_cast<char>(size >> (24 - 8 * i));
  profile.replace(16, 4, space);
  profile.replace(36, 4, "acsp");
  return profile;
}

}  // namespace ostrel::testing
