#pragma once
// Fonts for writing: a font resource the document owns, with its font
// dictionary, the map from Unicode characters to the one-byte codes shown in
// content streams, and the width of each character. Only the 14 standard
// fonts are made; readers know their metrics, so nothing is embedded and the
// dictionary carries no widths.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/text/cmaps/ostrel_cmap.h"

namespace ostrel {

class TPDFDocument;

// Character -> width pairs, searched after sorting once.
class TOstrelWidthLookup {
 public:
  void AddWidth(char16_t character, int32_t width);
  // The width of character, 0 when it is not listed.
  int32_t FindWidth(char16_t character);
  size_t Count() const { return codes_.size(); }

 private:
  void Sort();
  std::vector<uint16_t> codes_;
  std::vector<int32_t> widths_;
  bool sorted_ = true;
};

struct TKerningPair {
  char16_t First;
  char16_t Second;
  int32_t Amount;
};

class TPDFFont {
 public:
  // Fonts are shown through one-byte codes: source codes of the character map
  // are of this kind (two-byte Unicode values).
  static constexpr uint32_t kCharacterKind = 2;
  static constexpr uint8_t kStandardKind = 1;

  TPDFFont(TPDFStructure& pool, std::string resourceName);

  // Builds the dictionary, widths, metrics and character map of standard
  // font `number` (1 to 14) called `name`, and makes the dictionary indirect.
  void SetupStandardFont(std::string_view name, int number);
  // Rebuilds the character map from MacRomanEncoding or (any other name)
  // WinAnsiEncoding, changed by a /Differences array when one is given.
  void BuildEncodingMap(std::string_view encodingName, const TPDFArray* differences);

  // Only the characters this font can show.
  std::u16string FilterText(std::u16string_view text) const;
  bool CanShow(char16_t character) const { return CharacterMap.HasCode(kCharacterKind, character); }
  // The bytes of a string operand; a character the font lacks is shown as a
  // space (and left out when the font has no space either).
  std::string EncodeText(std::u16string_view text) const;
  // Width in thousandths of text space; 0 for a character without one.
  int32_t CharWidth(char16_t character);
  int32_t KerningAmount(char16_t first, char16_t second) const;

  TPDFStructure* Pool;
  std::string ResourceName;
  std::string BaseFont;
  TPDFIndRef* Reference = nullptr;
  TPDFDictionary* Dictionary = nullptr;
  uint8_t Kind = 0;
  std::vector<int32_t> Widths;  // FirstCode..LastCode
  int32_t FirstCode = 0;
  int32_t LastCode = 0;
  int32_t Ascent = 0;
  int32_t Descent = 0;
  int32_t FontBox[4] = {};
  std::vector<TKerningPair> KerningPairs;
  TOstrelCMap CharacterMap;
  TOstrelWidthLookup WidthLookup;
};

// Makes standard font `number` (0 Courier .. 13 ZapfDingbats) with a fresh
// "OstrelF" resource name and appends it to the document's fonts; nullptr for
// a number out of range.
TPDFFont* NewStandardFont(TPDFDocument& document, int number);

// The name of standard font 0..13, or "" for other numbers.
std::string_view StandardFontName(int number);

}  // namespace ostrel
