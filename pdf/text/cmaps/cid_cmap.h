#pragma once
// A CMap that turns character codes into CIDs: its code-space ranges say how
// shown bytes split into codes of one to four bytes, and runs of codes with
// consecutive CIDs say which CID each code selects. The predefined CJK CMaps
// are built in this form; a vertical CMap keeps only what it changes and
// names the horizontal CMap it amends as its base.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ostrel {

struct TCodeSpaceRange {
  uint8_t Bytes = 0;  // code length, 1 to 4
  uint32_t Low = 0;
  uint32_t High = 0;
};

struct TCIDRun {
  uint32_t Low = 0;  // first and last code of the run
  uint32_t High = 0;
  uint32_t FirstCID = 0;  // the CID of Low; the others follow on
};

class TCIDCMap {
 public:
  std::string_view Name;
  std::string_view Ordering;  // the collection's ordering: "GB1", "Japan1", ...
  int WritingMode = 0;        // 0 horizontal, 1 vertical
  const TCIDCMap* Base = nullptr;

  // Reads the packed form (see cid_cmap.cpp). False when the data is
  // malformed; the map is then empty.
  bool Load(std::string_view packed);

  // The length of the code that starts at bytes[pos]: the shortest
  // code-space range that the bytes match, else the shortest one whose
  // leading bytes they match, else 1. 0 when that code runs past the end.
  size_t CodeLength(std::string_view bytes, size_t pos) const;
  // The CID of a code: this map's runs, then its base's; 0 (the missing
  // glyph) when none has it. Codes of different lengths never share a value
  // in the predefined CMaps, so the value alone identifies a code.
  uint32_t CID(uint32_t code) const;

  size_t RunCount() const { return runs_.size(); }

 private:
  const std::vector<TCodeSpaceRange>& CodeSpace() const;
  std::vector<TCodeSpaceRange> codeSpace_;
  std::vector<TCIDRun> runs_;  // ascending, never overlapping
};

}  // namespace ostrel
