#pragma once
// Reader of the sfnt container (TrueType and OpenType files): the table
// directory, glyph outlines and metrics, PostScript glyph names and cmaps.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

struct TPDFTTDirectoryEntry {
  uint32_t Tag = 0;
  std::string TagText;
  uint32_t Checksum = 0;
  uint32_t Offset = 0;  // minus the base offset
  uint32_t Length = 0;
  int64_t OffsetPosition = 0;  // where the offset field sits in the file
};

struct TPDFTTComponent {
  int32_t Flags = 0;
  int32_t GlyphIndex = 0;
  int32_t Argument1 = 0;
  int32_t Argument2 = 0;
  double XScale = 1, YScale = 1, Scale01 = 0, Scale10 = 0;
};

struct TPDFTTglyfTable {
  int32_t NumberOfContours = 0;  // 0 for an empty glyph; negative: composite
  int32_t XMin = 0, YMin = 0, XMax = 0, YMax = 0;
  std::vector<uint16_t> EndPoints;
  std::vector<std::pair<int32_t, int32_t>> Points;  // absolute x, y
  std::vector<uint8_t> Flags;                       // bit 0: on-curve
  std::vector<TPDFTTComponent> Components;
  bool IsComposite() const { return !Components.empty(); }
};

struct TPDFTTEncodingRecord {
  uint16_t PlatformID = 0;
  uint16_t EncodingID = 0;
  uint32_t Offset = 0;
  uint16_t Language = 0;
  uint16_t Format = 0;
  std::vector<uint16_t> Codes;         // parallel to GlyphIndices
  std::vector<uint16_t> GlyphIndices;
  // Glyph of a code, 0 when the subtable lacks it.
  uint16_t GlyphOf(uint32_t code) const;
};

struct TPDFTTHeadValues {
  uint32_t Version = 0, Revision = 0;
  uint16_t Flags = 0;
  uint16_t UnitsPerEm = 2048;
  int64_t Created = 0, Modified = 0;
  int16_t XMin = 0, YMin = 0, XMax = 0, YMax = 0;
  uint16_t MacStyle = 0;
  int16_t IndexToLocFormat = 0;
  int16_t GlyphDataFormat = 0;
};

struct TPDFTTMetrics {
  int32_t Ascender = 0, Descender = 0, LineGap = 0, AdvanceWidthMax = 0;
  int32_t MinLeftSideBearing = 0, MinRightSideBearing = 0, XMaxExtent = 0;
  int16_t CaretSlopeRise = 0, CaretSlopeRun = 0, CaretOffset = 0;
  uint16_t NumberOfHMetrics = 0;
};

class TPDFTrueTypeParser {
 public:
  // Parses the whole font; false when the data is not an sfnt file.
  bool LoadFromBytes(std::string_view bytes);
  // The same, keeping bytes without a copy (font files run to megabytes).
  bool LoadFromBytes(std::string&& bytes);
  bool LoadDirectoryOnly(std::string_view bytes);

  long FindTable(std::string_view tag) const;
  uint32_t CFFTableLength() const;
  // The bytes of a table, empty when absent or outside the data.
  std::string_view TableData(std::string_view tag) const;

  long FindCmapSubtable(uint16_t platformID, uint16_t encodingID) const;
  TPDFTTEncodingRecord CmapSubtable(long index) const;
  const std::vector<TPDFTTEncodingRecord>& CmapSubtables() const { return cmaps_; }

  long GlyphIndexOfName(std::string_view name) const;
  size_t GlyphNameCount() const { return glyphNames_.size(); }
  const std::string& GlyphName(size_t glyph) const;
  // The glyph's outline record, parsed on request from the glyf table.
  TPDFTTglyfTable Glyph(long index) const;
  size_t GlyphCount() const { return glyphCount_; }
  const TPDFTTHeadValues& HeadValues() const { return head_; }
  bool HasHead() const { return hasHead_; }
  const TPDFTTMetrics& Metrics() const { return metrics_; }
  // Advance of a glyph in thousandths of the em.
  int32_t AdvanceWidth(long glyph) const;
  // Units per em as used for scaling: 1000 when the head's value is absurd.
  uint32_t UnitsPerEm() const;

  // Subtracted from every table offset (for a program cut out of a larger file).
  uint32_t BaseOffset = 0;
  // The face read from a TrueType collection ("ttcf").
  uint32_t FaceIndex = 0;
  uint32_t Version = 0;
  uint16_t SearchRange = 0, EntrySelector = 0, RangeShift = 0;
  std::vector<TPDFTTDirectoryEntry> Directory;

  // post values
  uint32_t PostVersion = 0;
  int32_t ItalicAngle = 0;
  int16_t UnderlinePosition = 0, UnderlineThickness = 0;
  uint32_t IsFixedPitch = 0;

 private:
  bool ReadDirectory();
  void ReadHead();
  void ReadMaxp();
  void ReadLoca();
  void ReadPost();
  void ReadCmap();
  void ReadCmapSubtable(TPDFTTEncodingRecord& rec, std::string_view table);
  void ReadHheaHmtx();

  std::string data_;
  bool hasHead_ = false;
  TPDFTTHeadValues head_;
  uint16_t maxpGlyphCount_ = 0;
  uint32_t maxpVersion_ = 0;
  size_t glyphCount_ = 0;
  std::vector<uint32_t> locations_;
  std::vector<std::string> glyphNames_;
  std::vector<TPDFTTEncodingRecord> cmaps_;
  TPDFTTMetrics metrics_;
  std::vector<int32_t> advances_;
};

// The 258 standard Macintosh glyph names in their TrueType order.
const char* MacGlyphName(int index);
inline constexpr int kMacGlyphNameCount = 258;

}  // namespace ostrel
