// The sfnt directory and the metric tables: head, maxp, loca, hhea, hmtx.
#include "pdf/text/fonts/truetype_parser.h"

#include <algorithm>

#include "pdf/text/fonts/font_program_bytes.h"

namespace ostrel {
namespace {

constexpr uint32_t kVersion1 = 0x00010000;
constexpr uint32_t kTagTrue = 0x74727565;  // "true"
constexpr uint32_t kTagTyp1 = 0x74797031;  // "typ1"
constexpr uint32_t kTagOTTO = 0x4F54544F;  // "OTTO"
constexpr uint32_t kTagTtcf = 0x74746366;  // "ttcf"
// A directory has one entry per table; real fonts carry a few dozen.
constexpr uint16_t kMaxTables = 512;

}  // namespace

bool TPDFTrueTypeParser::ReadDirectory() {
  TFontByteReader r(data_);
  Version = r.U32();
  if (Version == kTagTtcf) {
    r.Skip(4);
    uint32_t faces = r.U32();
    if (FaceIndex >= faces) return false;
    r.Skip(size_t(FaceIndex) * 4);
    r.Seek(r.U32());
    Version = r.U32();
  }
  if (r.Overrun()) return false;
  if (Version != kVersion1 && Version != kTagTrue && Version != kTagTyp1 && Version != kTagOTTO) return false;
  uint16_t count = std::min(r.U16(), kMaxTables);
  SearchRange = r.U16();
  EntrySelector = r.U16();
  RangeShift = r.U16();
  for (uint16_t i = 0; i < count && !r.Overrun(); ++i) {
    TPDFTTDirectoryEntry e;
    e.Tag = r.U32();
    for (int shift = 24; shift >= 0; shift -= 8) e.TagText.push_back(static_cast<char>((e.Tag >> shift) & 0xFF));
    e.Checksum = r.U32();
    e.OffsetPosition = int64_t(r.Pos());
    uint32_t offset = r.U32();
    e.Offset = offset >= BaseOffset ? offset - BaseOffset : 0;
    e.Length = r.U32();
    if (!r.Overrun()) Directory.push_back(std::move(e));
  }
  return true;
}

bool TPDFTrueTypeParser::LoadDirectoryOnly(std::string_view bytes) {
  data_.assign(bytes);
  Directory.clear();
  return ReadDirectory();
}

bool TPDFTrueTypeParser::LoadFromBytes(std::string_view bytes) { return LoadFromBytes(std::string(bytes)); }

bool TPDFTrueTypeParser::LoadFromBytes(std::string&& bytes) {
  data_ = std::move(bytes);
  Directory.clear();
  if (!ReadDirectory()) return false;
  ReadHead();
  ReadMaxp();
  ReadLoca();
  ReadPost();
  ReadCmap();
  ReadHheaHmtx();
  return true;
}

long TPDFTrueTypeParser::FindTable(std::string_view tag) const {
  for (size_t i = 0; i < Directory.size(); ++i)
    if (Directory[i].TagText == tag) return long(i);
  return -1;
}

uint32_t TPDFTrueTypeParser::CFFTableLength() const {
  long i = FindTable("CFF ");
  return i < 0 ? 0 : Directory[i].Length;
}

std::string_view TPDFTrueTypeParser::TableData(std::string_view tag) const {
  long i = FindTable(tag);
  if (i < 0) return {};
  const TPDFTTDirectoryEntry& e = Directory[i];
  if (e.Offset >= data_.size()) return {};
  // A length running past the end is cut to the data there is.
  return std::string_view(data_).substr(e.Offset, std::min<size_t>(e.Length, data_.size() - e.Offset));
}

uint32_t TPDFTrueTypeParser::UnitsPerEm() const {
  // Outside this range scaling by it would divide by zero or blow glyphs up
  // beyond any page; such fonts are read as if they had 1000 units.
  return head_.UnitsPerEm >= 16 && head_.UnitsPerEm <= 16384 ? head_.UnitsPerEm : 1000;
}

void TPDFTrueTypeParser::ReadHead() {
  std::string_view table = TableData("head");
  if (table.empty()) return;
  TFontByteReader r(table);
  head_.Version = r.U32();
  head_.Revision = r.U32();
  r.Skip(8);  // checksum adjustment, magic number
  head_.Flags = r.U16();
  head_.UnitsPerEm = r.U16();
  head_.Created = (int64_t(r.U32()) << 32) | r.U32();
  head_.Modified = (int64_t(r.U32()) << 32) | r.U32();
  head_.XMin = r.S16();
  head_.YMin = r.S16();
  head_.XMax = r.S16();
  head_.YMax = r.S16();
  head_.MacStyle = r.U16();
  r.Skip(4);  // lowest readable size, direction hint
  head_.IndexToLocFormat = r.S16();
  head_.GlyphDataFormat = r.S16();
  hasHead_ = true;
}

void TPDFTrueTypeParser::ReadMaxp() {
  std::string_view table = TableData("maxp");
  if (table.empty()) return;
  TFontByteReader r(table);
  maxpVersion_ = r.U32();
  maxpGlyphCount_ = r.U16();
  glyphCount_ = maxpGlyphCount_;
}

void TPDFTrueTypeParser::ReadLoca() {
  std::string_view table = TableData("loca");
  if (table.empty() || glyphCount_ == 0) return;
  TFontByteReader r(table);
  locations_.assign(glyphCount_ + 1, 0);
  for (size_t i = 0; i <= glyphCount_; ++i) {
    if (head_.IndexToLocFormat == 0) {
      locations_[i] = uint32_t(r.U16()) * 2;
    } else if (head_.IndexToLocFormat == 1) {
      uint32_t v = r.U32();
      locations_[i] = v > 0xFFFFFF ? 0 : v;
    }
  }
}

void TPDFTrueTypeParser::ReadHheaHmtx() {
  std::string_view hhea = TableData("hhea");
  if (hhea.empty()) return;
  TFontByteReader r(hhea);
  if (r.U32() != kVersion1) return;
  const int64_t em = UnitsPerEm();
  auto scaled = [&](int32_t v) { return int32_t(int64_t(v) * 1000 / em); };
  metrics_.Ascender = scaled(r.S16());
  metrics_.Descender = scaled(r.S16());
  metrics_.LineGap = scaled(r.S16());
  metrics_.AdvanceWidthMax = scaled(r.U16());
  metrics_.MinLeftSideBearing = scaled(r.S16());
  metrics_.MinRightSideBearing = scaled(r.S16());
  metrics_.XMaxExtent = scaled(r.S16());
  metrics_.CaretSlopeRise = r.S16();
  metrics_.CaretSlopeRun = r.S16();
  metrics_.CaretOffset = r.S16();
  r.Skip(10);  // reserved, metric data format
  metrics_.NumberOfHMetrics = r.U16();
  std::string_view hmtx = TableData("hmtx");
  TFontByteReader m(hmtx);
  // Each pair takes four bytes: the count never reads beyond the table.
  size_t count = std::min<size_t>(metrics_.NumberOfHMetrics, hmtx.size() / 4);
  advances_.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    advances_.push_back(scaled(m.U16()));
    m.Skip(2);
  }
}

int32_t TPDFTrueTypeParser::AdvanceWidth(long glyph) const {
  if (advances_.empty()) return 750;
  if (glyph < 0) glyph = 0;
  return size_t(glyph) < advances_.size() ? advances_[glyph] : advances_.back();
}

long TPDFTrueTypeParser::FindCmapSubtable(uint16_t platformID, uint16_t encodingID) const {
  long found = -1;
  for (size_t i = 0; i < cmaps_.size(); ++i)
    if (cmaps_[i].PlatformID == platformID && cmaps_[i].EncodingID == encodingID) found = long(i);
  return found;
}

TPDFTTEncodingRecord TPDFTrueTypeParser::CmapSubtable(long index) const {
  if (index < 0 || size_t(index) >= cmaps_.size()) return {};
  return cmaps_[index];
}

uint16_t TPDFTTEncodingRecord::GlyphOf(uint32_t code) const {
  for (size_t i = 0; i < Codes.size(); ++i)
    if (Codes[i] == code) return GlyphIndices[i];
  return 0;
}

long TPDFTrueTypeParser::GlyphIndexOfName(std::string_view name) const {
  for (size_t i = glyphNames_.size(); i-- > 0;)
    if (glyphNames_[i] == name) return long(i);
  return -1;
}

const std::string& TPDFTrueTypeParser::GlyphName(size_t glyph) const {
  static const std::string kEmpty;
  return glyph < glyphNames_.size() ? glyphNames_[glyph] : kEmpty;
}

}  // namespace ostrel
