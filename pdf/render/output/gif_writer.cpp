#include "pdf/render/output/gif_writer.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace ostrel {

namespace {

constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFree = 258;

int CellOf(uint32_t rgb) {
  const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return (b >> 3) * 1024 + (g >> 3) * 32 + (r >> 3);
}

// Packs codes least significant bit first, growing the code size as the
// table fills.
class TCodeWriter {
 public:
  explicit TCodeWriter(std::string& out) : out_(out) {}
  void Put(int code, int nextFree) {
    bits_ |= static_cast<uint32_t>(code) << bitCount_;
    bitCount_ += size_;
    while (bitCount_ >= 8) {
      out_ += static_cast<char>(bits_ & 0xFF);
      bits_ >>= 8;
      bitCount_ -= 8;
    }
    if (nextFree > largest_ && size_ < 12) {
      ++size_;
      largest_ = size_ == 12 ? 4096 : (1 << size_) - 1;
    }
  }
  void Restart() {
    size_ = 9;
    largest_ = 511;
  }
  void Flush() {
    if (bitCount_ > 0) out_ += static_cast<char>(bits_ & 0xFF);
    bits_ = 0;
    bitCount_ = 0;
  }

 private:
  std::string& out_;
  uint32_t bits_ = 0;
  int bitCount_ = 0;
  int size_ = 9;
  int largest_ = 511;
};

// The LZW string table: (prefix code, next index) -> code, open addressing.
class TStringTable {
 public:
  TStringTable() { Clear(); }
  void Clear() { std::memset(keys_, 0, sizeof keys_); }
  int Find(int prefix, int index) const {
    const uint32_t key = Key(prefix, index);
    for (uint32_t slot = Hash(key);; slot = (slot + 1) & kMask) {
      if (keys_[slot] == key) return codes_[slot];
      if (keys_[slot] == 0) return -1;
    }
  }
  void Add(int prefix, int index, int code) {
    const uint32_t key = Key(prefix, index);
    uint32_t slot = Hash(key);
    while (keys_[slot] != 0) slot = (slot + 1) & kMask;
    keys_[slot] = key;
    codes_[slot] = static_cast<uint16_t>(code);
  }

 private:
  static constexpr uint32_t kSize = 8192;  // twice the most codes a table holds
  static constexpr uint32_t kMask = kSize - 1;
  static uint32_t Key(int prefix, int index) { return (static_cast<uint32_t>(prefix) << 8 | index) + 1; }
  static uint32_t Hash(uint32_t key) { return (key * 2654435761u) >> 19; }
  uint32_t keys_[kSize];
  uint16_t codes_[kSize];
};

void PutLE16(std::string& out, int v) {
  if (v < 0 || v > 0xFFFF) throw std::length_error("picture too large for GIF");
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

}  // namespace

std::string GIFCompress(const std::vector<uint8_t>& indexes) {
  std::string out;
  TCodeWriter writer(out);
  auto table = std::make_unique<TStringTable>();
  int nextFree = kFirstFree;
  writer.Put(kClearCode, nextFree);
  if (!indexes.empty()) {
    int prefix = indexes[0];
    for (size_t i = 1; i < indexes.size(); ++i) {
      const int pixel = indexes[i];
      const int code = table->Find(prefix, pixel);
      if (code >= 0) {
        prefix = code;
        continue;
      }
      writer.Put(prefix, nextFree);
      if (nextFree > 4094) {
        writer.Put(kClearCode, nextFree);
        table->Clear();
        nextFree = kFirstFree;
        writer.Restart();
      } else {
        table->Add(prefix, pixel, nextFree++);
      }
      prefix = pixel;
    }
    writer.Put(prefix, nextFree);
  }
  writer.Put(kEndCode, nextFree);
  writer.Flush();
  return out;
}

void TPDFGIFWriter::QuantizeFromBitmap(const Bitmap& source) {
  Bitmap converted;
  const Bitmap* bitmap = &source.In24Bits(converted);
  Width = bitmap->Width();
  Height = bitmap->Height();

  TColorQuantizer quantizer;
  quantizer.AddBitmap(*bitmap);
  std::vector<uint32_t> colors = quantizer.Palette();
  UsedColors = static_cast<int>(colors.size());
  // The unused entries repeat the first colour: ties go to the earlier entry,
  // so they never win a search or claim a cell.
  Palette.fill(colors.empty() ? 0 : colors[0]);
  std::copy(colors.begin(), colors.end(), Palette.begin());

  std::vector<int16_t> cells(32768, -1);
  for (int i = 0; i < 256; ++i) {
    int16_t& cell = cells[CellOf(Palette[i])];
    if (cell < 0) cell = static_cast<int16_t>(i);
  }
  Indexes.resize(static_cast<size_t>(Width) * Height);
  uint8_t* out = Indexes.data();
  for (int y = 0; y < Height; ++y) {
    const uint8_t* bgr = bitmap->Row(y);
    for (int x = 0; x < Width; ++x, bgr += 3) {
      const uint32_t rgb = uint32_t{bgr[2]} << 16 | uint32_t{bgr[1]} << 8 | bgr[0];
      int16_t& cell = cells[CellOf(rgb)];
      if (cell < 0) {
        int best = 0, bestDistance = 1 << 30;
        for (int i = 0; i < 256; ++i) {
          const uint32_t p = Palette[i];
          const int d = std::abs(static_cast<int>((p >> 16) & 0xFF) - bgr[2]) +
                        std::abs(static_cast<int>((p >> 8) & 0xFF) - bgr[1]) +
                        std::abs(static_cast<int>(p & 0xFF) - bgr[0]);
          if (d < bestDistance) {
            bestDistance = d;
            best = i;
          }
        }
        cell = static_cast<int16_t>(best);
      }
      *out++ = static_cast<uint8_t>(cell);
    }
  }
}

std::string TPDFGIFWriter::Write() const {
  std::string out("GIF87a");
  PutLE16(out, Width);
  PutLE16(out, Height);
  out += static_cast<char>(0x70);  // no global table, 8-bit colour resolution
  out += '\0';                     // background index
  out += '\0';                     // aspect
  out += ',';
  PutLE16(out, 0);
  PutLE16(out, 0);
  PutLE16(out, Width);
  PutLE16(out, Height);
  out += static_cast<char>(0x87);  // local table of 256 entries, not interlaced
  for (uint32_t color : Palette) {
    out += static_cast<char>((color >> 16) & 0xFF);
    out += static_cast<char>((color >> 8) & 0xFF);
    out += static_cast<char>(color & 0xFF);
  }
  out += static_cast<char>(8);  // LZW minimum code size
  const std::string data = GIFCompress(Indexes);
  for (size_t at = 0; at < data.size(); at += 255) {
    const size_t n = std::min<size_t>(255, data.size() - at);
    out += static_cast<char>(n);
    out.append(data, at, n);
  }
  out += '\0';
  out += ';';
  return out;
}

}  // namespace ostrel
