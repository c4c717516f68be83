#pragma once
// ToUnicode CMaps as range lists, and the code lists shown strings split into.
#include <cstdint>
#include <string_view>
#include <vector>

namespace ostrel {

// Destination text: one UTF-16 code unit per element.
using TResultCodes = std::vector<int32_t>;

struct TPDFCMapEntry {
  uint16_t FirstCode = 0;
  uint16_t LastCode = 0;
  TResultCodes Destination;
};

// Entries in the order read; callers decide which overlapping entry wins.
using TPDFCMap = std::vector<TPDFCMapEntry>;

// Codes of one to four bytes, high byte first.
using TOstrelCodeList = std::vector<uint32_t>;

// Parses the text of a ToUnicode CMap (or the code space of an embedded
// encoding CMap). oneByte is set when the first code-space range is written
// with two hex digits. Text without a code-space range gives no entries.
TPDFCMap ParseToUnicode(std::string_view text, bool& oneByte);

}  // namespace ostrel
