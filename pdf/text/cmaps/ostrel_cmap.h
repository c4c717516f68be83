#pragma once
// A general code map made of sections of fixed-width entries: source codes of
// one byte length (the section's kind) mapped to destinations of one byte
// width. The built-in Japanese tables are stored this way, and written fonts
// use it to map characters to the bytes they are shown with.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

struct TOstrelCMapSection {
  std::vector<uint32_t> Keys;  // ascending
  std::string Data;            // Width bytes per key, in key order
  uint32_t Kind = 0;           // byte length of the source codes
  uint32_t Width = 0;          // bytes per destination

  // Index of the first key equal to code, or -1.
  long IndexOf(uint32_t code) const;
  std::string_view Destination(size_t index) const {
    return std::string_view(Data).substr(index * Width, Width);
  }
};

class TOstrelCMap {
 public:
  // Every code of kind 2 maps to its own two bytes, high byte first.
  bool Identity = false;

  // Inserts code into the section for (kind, destination length), after any
  // equal keys.
  void AddMapping(uint32_t kind, uint32_t code, std::string_view destination);
  bool HasCode(uint32_t kind, uint32_t code) const;
  // The destination bytes of code. A code that no section of that kind holds
  // takes the bytes of code 32 (the space) where a section has it, and still
  // counts as found.
  bool CodeBytes(uint32_t kind, uint32_t code, std::string& out) const;
  // The destination as a number (one byte, or two bytes high first; 0 for
  // other widths) from the first section holding code; kind 0 matches every
  // section. 0 when no section holds it.
  uint16_t CodeValue(uint32_t kind, uint32_t code) const;
  // The destination as UTF-16 text: one character for one-byte destinations,
  // else high-byte-first units. Empty when no section holds the code.
  std::u16string CodeText(uint32_t kind, uint32_t code) const;

  // Replaces the sections with those of the binary map format. Returns false
  // when the data is truncated or malformed; sections read before the fault
  // are kept.
  bool LoadFromStream(std::string_view data);
  void Clear() { Sections.clear(); }

  std::vector<TOstrelCMapSection> Sections;  // searched in order

 private:
  const TOstrelCMapSection* FindSection(uint32_t kind, uint32_t code, long& index) const;
};

}  // namespace ostrel
