// Character-to-glyph maps of the cmap table: formats 0, 4 and 6.
#include <algorithm>
#include <bitset>
#include <memory>

#include "pdf/text/fonts/font_program_bytes.h"
#include "pdf/text/fonts/truetype_parser.h"

namespace ostrel {
namespace {

// Subtables sharing one offset are read once each; a directory of thousands
// of records is damage.
constexpr uint16_t kMaxSubtables = 256;

// The furthest a format 4 range offset can point into the glyph index
// array: offset / 2 + code - start, at most 32767 + 65535 entries.
constexpr size_t kMaxGlyphArrayReach = 32767 + 65535 + 1;

void ReadFormat4(TFontByteReader& r, TPDFTTEncodingRecord& rec) {
  size_t segCount = r.U16() / 2;
  r.Skip(6);
  size_t headerEnd = r.Pos() + segCount * 8 + 2;
  if (segCount == 0 || headerEnd > r.Size()) return;
  std::vector<uint16_t> ends(segCount), starts(segCount), rangeOffsets(segCount);
  std::vector<int16_t> deltas(segCount);
  for (auto& v : ends) v = r.U16();
  r.Skip(2);
  for (auto& v : starts) v = r.U16();
  for (auto& v : deltas) v = r.S16();
  for (auto& v : rangeOffsets) v = r.U16();
  // The glyph index array runs to the subtable's end; but the 16-bit length
  // wraps around in the large subtables of CJK fonts, so the array is taken
  // as far as a range offset can reach, clamped to the data that is there.
  size_t arrayLength = std::min(r.Remaining() / 2, kMaxGlyphArrayReach);
  std::vector<uint16_t> glyphArray(arrayLength);
  for (auto& v : glyphArray) v = r.U16();

  // Overlapping segments would repeat codes: every code is listed once, the
  // first segment holding it wins, so the lists never exceed 65536 entries.
  auto seen = std::make_unique<std::bitset<65536>>();
  for (size_t s = 0; s < segCount; ++s) {
    if (ends[s] == 0xFFFF) continue;
    for (uint32_t code = starts[s]; code <= ends[s]; ++code) {
      if (seen->test(code)) continue;
      seen->set(code);
      uint16_t glyph = 0;
      if (rangeOffsets[s] == 0) {
        glyph = static_cast<uint16_t>(code + deltas[s]);
      } else {
        int64_t pos = rangeOffsets[s] / 2 + int64_t(code - starts[s]) + int64_t(s) - int64_t(segCount);
        if (pos >= 0 && size_t(pos) < glyphArray.size()) {
          glyph = glyphArray[pos];
          if (glyph != 0) glyph = static_cast<uint16_t>(glyph + deltas[s]);
        }
      }
      rec.Codes.push_back(static_cast<uint16_t>(code));
      rec.GlyphIndices.push_back(glyph);
    }
  }
}

}  // namespace

void TPDFTrueTypeParser::ReadCmapSubtable(TPDFTTEncodingRecord& rec, std::string_view table) {
  if (rec.Offset >= table.size()) return;
  TFontByteReader r(table, rec.Offset);
  rec.Format = r.U16();
  r.U16();  // length: wraps around in large subtables, so unused
  rec.Language = r.U16();
  if (rec.Format == 0) {
    for (int code = 0; code < 256 && r.Remaining() > 0; ++code) {
      rec.Codes.push_back(static_cast<uint16_t>(code));
      rec.GlyphIndices.push_back(r.U8());
    }
  } else if (rec.Format == 4) {
    ReadFormat4(r, rec);
  } else if (rec.Format == 6) {
    uint16_t first = r.U16();
    size_t count = std::min<size_t>(r.U16(), r.Remaining() / 2);
    for (size_t i = 0; i < count && first + i <= 0xFFFF; ++i) {
      rec.Codes.push_back(static_cast<uint16_t>(first + i));
      rec.GlyphIndices.push_back(r.U16());
    }
  }
}

void TPDFTrueTypeParser::ReadCmap() {
  std::string_view table = TableData("cmap");
  if (table.empty()) return;
  TFontByteReader r(table);
  r.U16();  // version
  uint16_t count = std::min(r.U16(), kMaxSubtables);
  for (uint16_t i = 0; i < count; ++i) {
    TPDFTTEncodingRecord rec;
    rec.PlatformID = r.U16();
    rec.EncodingID = r.U16();
    rec.Offset = r.U32();
    if (r.Overrun()) break;
    cmaps_.push_back(std::move(rec));
  }
  for (auto& rec : cmaps_) ReadCmapSubtable(rec, table);
}

}  // namespace ostrel
