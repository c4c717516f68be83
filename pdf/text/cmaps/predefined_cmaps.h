#pragma once
// The predefined CMaps a Type0 font may name without embedding them, and the
// built-in Japanese tables behind two of them.
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/text/cmaps/ostrel_cmap.h"
#include "pdf/text/cmaps/pdf_cmap.h"

namespace ostrel {

// Built-in tables, unpacked on first use and kept for the life of the
// process. Safe to call from several threads.
const TOstrelCMap& Japan1UnicodeTable();  // Adobe-Japan1 CID -> UTF-16 text
const TOstrelCMap& Cmap90mspRKSJH();      // Shift-JIS -> CID, proportional Latin
const TOstrelCMap& Cmap90msRKSJH();       // Shift-JIS -> CID, half-width Latin

// Splits shown bytes into codes by the predefined CMap name. handled is false
// (and the list empty) for a name this library does not know.
TOstrelCodeList SplitPredefined(std::string_view cmapName, std::string_view bytes, bool& handled);

// Unicode text of a code under a predefined CMap and a character collection
// ("Adobe-Japan1-4", "Adobe-Identity-0", ...); empty when either is unknown.
std::u16string PredefinedCodeText(std::string_view cmapName, std::string_view collection, uint32_t code);

// The CID a code selects under a predefined CMap: through the Shift-JIS
// tables, through the Adobe-Japan1 table for the Unicode CMaps of that
// collection (0 for a character it lacks), and the code itself otherwise.
uint32_t PredefinedCodeCID(std::string_view cmapName, std::string_view collection, uint32_t code);

}  // namespace ostrel
