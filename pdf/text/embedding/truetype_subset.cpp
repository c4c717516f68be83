#include "pdf/text/embedding/truetype_subset.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "pdf/text/fonts/font_program_bytes.h"
#include "pdf/text/fonts/truetype_parser.h"

namespace ostrel {
namespace {

// Composite glyph component flags.
constexpr uint16_t kArgsAreWords = 0x0001;
constexpr uint16_t kHaveScale = 0x0008;
constexpr uint16_t kMoreComponents = 0x0020;
constexpr uint16_t kHaveXYScale = 0x0040;
constexpr uint16_t kHaveTwoByTwo = 0x0080;

void PutU16(std::string& out, uint32_t v) {
  out += static_cast<char>((v >> 8) & 0xFF);
  out += static_cast<char>(v & 0xFF);
}
void PutU32(std::string& out, uint32_t v) {
  PutU16(out, v >> 16);
  PutU16(out, v & 0xFFFF);
}
void SetU16(std::string& data, size_t at, uint32_t v) {
  if (at + 2 > data.size()) return;
  data[at] = static_cast<char>((v >> 8) & 0xFF);
  data[at + 1] = static_cast<char>(v & 0xFF);
}
void SetU32(std::string& data, size_t at, uint32_t v) {
  SetU16(data, at, v >> 16);
  SetU16(data, at + 2, v & 0xFFFF);
}

uint32_t Checksum(std::string_view data) {
  uint32_t sum = 0;
  for (size_t i = 0; i < data.size(); i += 4) {
    uint32_t word = 0;
    for (size_t k = 0; k < 4; ++k) word = word << 8 | (i + k < data.size() ? uint8_t(data[i + k]) : 0);
    sum += word;
  }
  return sum;
}

// Walks the components of a composite glyph, handing each the position of
// its glyph number.
template <typename Visit>
void ForEachComponent(std::string_view data, Visit visit) {
  TFontByteReader r(data);
  if (r.S16() >= 0) return;  // a simple glyph
  r.Skip(8);
  for (int guard = 0; guard < 1024; ++guard) {
    uint16_t flags = r.U16();
    size_t at = r.Pos();
    uint16_t glyph = r.U16();
    if (r.Overrun()) return;
    visit(at, glyph);
    r.Skip(flags & kArgsAreWords ? 4 : 2);
    if (flags & kHaveScale) r.Skip(2);
    else if (flags & kHaveXYScale) r.Skip(4);
    else if (flags & kHaveTwoByTwo) r.Skip(8);
    if (!(flags & kMoreComponents) || r.Overrun()) return;
  }
}

}  // namespace

TTrueTypeGlyphs::TTrueTypeGlyphs(const TPDFTrueTypeParser& font) : font_(font) {
  glyf_ = font.TableData("glyf");
  hmtx_ = font.TableData("hmtx");
  std::string_view loca = font.TableData("loca"), hhea = font.TableData("hhea");
  if (glyf_.empty() || loca.empty() || hhea.size() < 36 || !font.HasHead()) return;
  const bool longOffsets = font.HeadValues().IndexToLocFormat == 1;
  const size_t entry = longOffsets ? 4 : 2;
  size_t count = std::min<size_t>(font.GlyphCount(), loca.size() / entry - (loca.size() >= entry ? 1 : 0));
  if (count == 0) return;
  glyphCount_ = static_cast<uint16_t>(std::min<size_t>(count, 0xFFFF));
  TFontByteReader r(loca);
  offsets_.resize(size_t(glyphCount_) + 1);
  for (uint32_t& offset : offsets_) offset = longOffsets ? r.U32() : uint32_t(r.U16()) * 2;
  TFontByteReader h(hhea, 34);
  metricCount_ = std::min<uint16_t>(h.U16(), static_cast<uint16_t>(std::min<size_t>(hmtx_.size() / 4, 0xFFFF)));
  usable_ = metricCount_ > 0;
}

std::string_view TTrueTypeGlyphs::GlyphData(uint16_t glyph) const {
  if (glyph >= glyphCount_) return {};
  uint32_t from = offsets_[glyph], to = offsets_[glyph + 1];
  if (from >= to || to > glyf_.size()) return {};
  return glyf_.substr(from, to - from);
}

std::vector<uint16_t> TTrueTypeGlyphs::Components(uint16_t glyph) const {
  std::vector<uint16_t> parts;
  ForEachComponent(GlyphData(glyph), [&](size_t, uint16_t part) { parts.push_back(part); });
  return parts;
}

uint16_t TTrueTypeGlyphs::Advance(uint16_t glyph) const {
  if (metricCount_ == 0) return 0;
  TFontByteReader r(hmtx_, size_t(std::min<uint16_t>(glyph, metricCount_ - 1)) * 4);
  return r.U16();
}

int16_t TTrueTypeGlyphs::LeftSideBearing(uint16_t glyph) const {
  if (glyph < metricCount_) return TFontByteReader(hmtx_, size_t(glyph) * 4 + 2).S16();
  // Glyphs past the long metrics keep only a bearing, in the array after them.
  return TFontByteReader(hmtx_, size_t(metricCount_) * 4 + size_t(glyph - metricCount_) * 2).S16();
}

std::string TTrueTypeGlyphs::Subset(const std::vector<uint16_t>& glyphs) const {
  std::unordered_map<uint16_t, uint16_t> renumbered;
  for (size_t i = 0; i < glyphs.size(); ++i) renumbered.emplace(glyphs[i], static_cast<uint16_t>(i));

  std::string glyf, loca, hmtx;
  for (uint16_t old : glyphs) {
    PutU32(loca, static_cast<uint32_t>(glyf.size()));
    std::string data(GlyphData(old));
    ForEachComponent(data, [&](size_t at, uint16_t part) {
      auto found = renumbered.find(part);
      SetU16(data, at, found == renumbered.end() ? 0 : found->second);
    });
    glyf += data;
    glyf.resize((glyf.size() + 3) & ~size_t{3}, '\0');
    PutU16(hmtx, Advance(old));
    PutU16(hmtx, static_cast<uint16_t>(LeftSideBearing(old)));
  }
  PutU32(loca, static_cast<uint32_t>(glyf.size()));

  std::map<std::string, std::string> tables;  // sorted by tag, as the directory must be
  tables["head"] = std::string(font_.TableData("head"));
  tables["hhea"] = std::string(font_.TableData("hhea"));
  tables["maxp"] = std::string(font_.TableData("maxp"));
  if (tables["head"].size() < 54 || tables["hhea"].size() < 36 || tables["maxp"].size() < 6) return {};
  SetU32(tables["head"], 8, 0);    // checksum adjustment, set below
  SetU16(tables["head"], 50, 1);   // long loca offsets
  SetU16(tables["hhea"], 34, static_cast<uint32_t>(glyphs.size()));
  SetU16(tables["maxp"], 4, static_cast<uint32_t>(glyphs.size()));
  tables["glyf"] = std::move(glyf);
  tables["loca"] = std::move(loca);
  tables["hmtx"] = std::move(hmtx);
  // Hinting programs make small sizes legible; glyphs refer to them freely.
  for (const char* tag : {"cvt ", "fpgm", "prep"}) {
    std::string_view data = font_.TableData(tag);
    if (!data.empty()) tables[tag] = std::string(data);
  }

  const uint16_t count = static_cast<uint16_t>(tables.size());
  uint16_t power = 1, log2 = 0;
  while (power * 2 <= count) power *= 2, ++log2;
  std::string out;
  PutU32(out, 0x00010000);
  PutU16(out, count);
  PutU16(out, power * 16);
  PutU16(out, log2);
  PutU16(out, count * 16 - power * 16);
  size_t offset = 12 + size_t{count} * 16, headOffset = 0;
  for (const auto& [tag, data] : tables) {
    out += tag;
    PutU32(out, Checksum(data));
    PutU32(out, static_cast<uint32_t>(offset));
    PutU32(out, static_cast<uint32_t>(data.size()));
    if (tag == "head") headOffset = offset;
    offset += (data.size() + 3) & ~size_t{3};
  }
  for (const auto& [tag, data] : tables) {
    out += data;
    out.resize((out.size() + 3) & ~size_t{3}, '\0');
  }
  SetU32(out, headOffset + 8, 0xB1B0AFBA - Checksum(out));
  return out;
}

}  // namespace ostrel
