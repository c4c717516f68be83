#pragma once
// The predefined CMaps a Type0 font may name without embedding them (every
// Chinese, Japanese and Korean one, and Identity), and the built-in tables
// from the CIDs of the four Adobe collections to Unicode.
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/text/cmaps/cid_cmap.h"
#include "pdf/text/cmaps/ostrel_cmap.h"
#include "pdf/text/cmaps/pdf_cmap.h"

namespace ostrel {

// Built-in tables, unpacked on first use and kept for the life of the
// process. Safe to call from several threads.
const TOstrelCMap& Japan1UnicodeTable();  // Adobe-Japan1 CID -> UTF-16 text
// The CID -> Unicode table of a collection ("Adobe-GB1-5", or the ordering
// alone: "GB1"); nullptr for Identity and unknown collections.
const TOstrelCMap* CIDUnicodeTable(std::string_view collection);
// A predefined CMap by name; nullptr for Identity-H/V and unknown names.
const TCIDCMap* FindPredefinedCMap(std::string_view name);

// Splits shown bytes into codes by the predefined CMap name. handled is false
// (and the list empty) for a name this library does not know.
TOstrelCodeList SplitPredefined(std::string_view cmapName, std::string_view bytes, bool& handled);

// Unicode text of a code under a predefined CMap and a character collection
// ("Adobe-Japan1-4", "Adobe-Identity-0", ...); empty when either is unknown.
std::u16string PredefinedCodeText(std::string_view cmapName, std::string_view collection, uint32_t code);

// The CID a code selects under a predefined CMap; the code itself for
// Identity and unknown names.
uint32_t PredefinedCodeCID(std::string_view cmapName, std::string_view collection, uint32_t code);

// 1 for the vertical predefined CMaps (Identity-V and the "-V" ones), else 0.
int PredefinedWritingMode(std::string_view cmapName);

}  // namespace ostrel
