#include "pdf/compose/gif_decoder.h"

#include <algorithm>
#include <cstring>

#include "pdf/compose/image_limits.h"

namespace ostrel {

namespace {

// Reading position over the file; reads past the end give zeros and set Bad.
struct Cursor {
  std::string_view Data;
  size_t Pos = 0;
  bool Bad = false;

  uint8_t Byte() {
    if (Pos >= Data.size()) {
      Bad = true;
      return 0;
    }
    return static_cast<uint8_t>(Data[Pos++]);
  }
  int Word() {
    int low = Byte();
    return low | Byte() << 8;
  }
  std::string_view Take(size_t n) {
    if (n > Data.size() - std::min(Pos, Data.size())) {
      Bad = true;
      Pos = Data.size();
      return {};
    }
    std::string_view s = Data.substr(Pos, n);
    Pos += n;
    return s;
  }
  // Sub-blocks up to the zero-length terminator, joined (or only skipped).
  void SubBlocks(std::string* out) {
    while (!Bad) {
      uint8_t size = Byte();
      if (size == 0) return;
      std::string_view block = Take(size);
      if (out) out->append(block);
    }
  }
};

// The rows of an interlaced image in the order they are stored.
std::vector<int> InterlacedRows(int height) {
  std::vector<int> rows;
  rows.reserve(height);
  constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
  return rows;
}

}  // namespace

std::string GifLzwDecode(std::string_view data, int minCodeSize, size_t maxPixels) {
  std::string out;
  if (minCodeSize < 2 || minCodeSize > 8) return out;
  constexpr int kTableSize = 4096;
  std::vector<uint16_t> prefix(kTableSize);
  std::vector<uint8_t> suffix(kTableSize), first(kTableSize);
  std::vector<uint8_t> stack(kTableSize + 1);
  const int clear = 1 << minCodeSize, end = clear + 1;
  for (int i = 0; i < clear; ++i) suffix[i] = first[i] = static_cast<uint8_t>(i);
  int codeSize = minCodeSize + 1, next = clear + 2, old = -1;
  uint32_t bits = 0;
  int bitCount = 0;
  size_t pos = 0;
  while (out.size() < maxPixels) {
    while (bitCount < codeSize && pos < data.size()) {
      bits |= uint32_t{uint8_t(data[pos++])} << bitCount;
      bitCount += 8;
    }
    if (bitCount < codeSize) break;
    int code = static_cast<int>(bits & ((1u << codeSize) - 1));
    bits >>= codeSize;
    bitCount -= codeSize;
    if (code == clear) {
      codeSize = minCodeSize + 1;
      next = clear + 2;
      old = -1;
      continue;
    }
    if (code == end) break;
    if (old < 0) {
      if (code > clear) break;  // only a root code may follow a clear
      out.push_back(static_cast<char>(code));
      old = code;
      continue;
    }
    if (code > next || (code == next && next >= kTableSize)) break;
    // Unwind the entry (or, for the code not yet in the table, the previous
    // entry plus its own first byte) onto the stack.
    int depth = 0, walk = code == next ? old : code;
    uint8_t lead = first[walk];
    if (code == next) stack[depth++] = lead;
    while (walk >= clear) {
      stack[depth++] = suffix[walk];
      walk = prefix[walk];
    }
    stack[depth++] = static_cast<uint8_t>(walk);
    for (int i = depth - 1; i >= 0 && out.size() < maxPixels; --i) out.push_back(static_cast<char>(stack[i]));
    if (next < kTableSize) {
      prefix[next] = static_cast<uint16_t>(old);
      suffix[next] = lead;
      first[next] = first[old];
      ++next;
      if (next == (1 << codeSize) && codeSize < 12) ++codeSize;
    }
    old = code;
  }
  return out;
}

bool TPDFGIFDecoder::Read(std::string_view file) {
  *this = TPDFGIFDecoder();
  fileSize_ = file.size();
  Cursor in{file};
  std::string_view magic = in.Take(6);
  if (magic != "GIF87a" && magic != "GIF89a") return false;
  Version.assign(magic.substr(3));
  ScreenWidth = in.Word();
  ScreenHeight = in.Word();
  uint8_t flags = in.Byte();
  BackgroundIndex = in.Byte();
  in.Byte();  // aspect ratio
  GlobalTableFlag = flags & 0x80;
  GlobalTableSize = 2 << (flags & 7);
  if (GlobalTableFlag) GlobalColorTable.assign(in.Take(3 * size_t(GlobalTableSize)));

  TGIFImageBlock control;  // the graphic control values read since the last image
  while (!in.Bad) {
    uint8_t introducer = in.Byte();
    if (in.Bad || introducer == ';') break;
    if (introducer == '!') {
      uint8_t label = in.Byte();
      if (label == 0xF9) {
        if (in.Byte() != 4) break;  // a graphic control block is always 4 bytes
        uint8_t packed = in.Byte();
        control.DisposalMethod = (packed >> 2) & 7;
        control.UserInput = packed & 2;
        control.TransparencyFlag = packed & 1;
        control.Delay = in.Word();
        control.TransparentIndex = in.Byte();
        in.SubBlocks(nullptr);  // the terminator (and anything a writer added)
      } else {
        in.SubBlocks(nullptr);
      }
    } else if (introducer == ',') {
      TGIFImageBlock block = control;
      control = TGIFImageBlock();
      block.Left = in.Word();
      block.Top = in.Word();
      block.Width = in.Word();
      block.Height = in.Word();
      uint8_t packed = in.Byte();
      block.LocalTableFlag = packed & 0x80;
      block.Interlaced = packed & 0x40;
      if (block.LocalTableFlag) block.LocalColorTable.assign(in.Take(3 * (size_t{2} << (packed & 7))));
      block.MinCodeSize = in.Byte();
      in.SubBlocks(&block.Data);
      if (!in.Bad || !block.Data.empty()) Images.push_back(std::move(block));
    } else {
      break;  // not a block GIF knows
    }
  }
  return true;
}

bool TPDFGIFDecoder::RenderTo(Bitmap& bitmap, std::string* alpha) const {
  bitmap = Bitmap();
  if (alpha) alpha->clear();
  if (Images.empty() || ScreenWidth == 0 || ScreenHeight == 0) return false;
  // A screen far larger than any frame data could cover is not believed.
  uint64_t pixels = uint64_t(ScreenWidth) * uint64_t(ScreenHeight);
  if (pixels > kMaxImagePixels || pixels > (uint64_t{1} << 20) + 4096 * uint64_t{fileSize_}) return false;
  if (!bitmap.SetSize(ScreenWidth, ScreenHeight, TPixelFormat::pf24bit)) return false;
  // Screen pixels that no frame covers stay white, the page's own colour.
  for (int y = 0; y < ScreenHeight; ++y) std::memset(bitmap.Row(y), 0xFF, size_t(ScreenWidth) * 3);
  // Coverage is only tracked for pictures that can have holes.
  std::string coverage;
  const bool transparent =
      alpha && std::any_of(Images.begin(), Images.end(), [](const TGIFImageBlock& b) { return b.TransparencyFlag; });
  if (transparent) coverage.assign(pixels, '\0');
  for (const TGIFImageBlock& block : Images) DrawFrame(block, bitmap, transparent ? &coverage : nullptr);
  if (transparent && coverage.find('\0') != std::string::npos) *alpha = std::move(coverage);
  return true;
}

void TPDFGIFDecoder::DrawFrame(const TGIFImageBlock& block, Bitmap& screen, std::string* alpha) const {
  if (block.Width == 0 || block.Height == 0 || block.Left >= ScreenWidth || block.Top >= ScreenHeight) return;
  std::vector<int> order;
  if (block.Interlaced) order = InterlacedRows(block.Height);
  // Rows below the screen are never shown: decoding stops after the last row
  // that lands on it, so a huge frame on a small screen costs what it shows.
  const int visibleRows = ScreenHeight - block.Top;
  size_t rowsNeeded = std::min(block.Height, visibleRows);
  if (block.Interlaced) {
    rowsNeeded = 0;
    for (int r = 0; r < block.Height; ++r)
      if (order[r] < visibleRows) rowsNeeded = size_t(r) + 1;
  }
  std::string indices = GifLzwDecode(block.Data, block.MinCodeSize, size_t(block.Width) * rowsNeeded);
  const std::string& table = block.LocalTableFlag ? block.LocalColorTable : GlobalColorTable;
  // Only the part of the frame inside the screen is drawn.
  int visibleWidth = std::min(block.Width, ScreenWidth - block.Left);
  for (int r = 0; r < block.Height; ++r) {
    size_t start = size_t(r) * block.Width;
    if (start >= indices.size()) break;  // short data: the rest stays as it was
    int y = block.Top + (block.Interlaced ? order[r] : r);
    if (y >= ScreenHeight) continue;
    uint8_t* dst = screen.Row(y) + size_t(block.Left) * 3;
    char* covered = alpha ? alpha->data() + size_t(y) * ScreenWidth + block.Left : nullptr;
    int n = static_cast<int>(std::min<size_t>(visibleWidth, indices.size() - start));
    for (int x = 0; x < n; ++x, dst += 3) {
      const uint8_t index = uint8_t(indices[start + x]);
      if (block.TransparencyFlag && index == block.TransparentIndex) continue;
      if (covered) covered[x] = '\xFF';
      size_t entry = 3 * size_t(index);
      if (entry + 3 <= table.size()) {  // indices past the table draw black
        dst[0] = table[entry + 2], dst[1] = table[entry + 1], dst[2] = table[entry];
      } else {
        dst[0] = dst[1] = dst[2] = 0;
      }
    }
  }
}

}  // namespace ostrel
