#pragma once
// Type 1 and CFF font programs: glyph names, charstrings, subroutines and the
// built-in encoding, and the translation of charstrings into glyph programs
// (text commands in glyph space that the rasterizer draws).
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/text/encodings.h"

namespace ostrel {

class TPDFStructure;
class TPDFDictionary;

using TGlyphProgram = std::vector<std::string>;

class TPDFType1Decoder {
 public:
  TPDFType1Decoder();
  ~TPDFType1Decoder();
  TPDFType1Decoder(const TPDFType1Decoder&) = delete;
  TPDFType1Decoder& operator=(const TPDFType1Decoder&) = delete;

  // Type 1: cuts the decoded /FontFile data into its cleartext and binary
  // parts. Data longer than the three lengths is fine (the trailer is not
  // needed); false when the first two lengths are not positive or the data
  // is shorter than their sum.
  bool SplitType1Stream(std::string_view data, int64_t length1, int64_t length2, int64_t length3);
  bool ParseType1Header();
  void ParseType1Private();
  // All three steps; true when the program has charstrings.
  bool LoadType1(std::string_view data, int64_t length1, int64_t length2, int64_t length3);

  // CFF data, or an OpenType file holding a "CFF " table; true when the
  // program has charstrings.
  bool LoadCompactProgram(std::string_view data);

  const TGlyphNames& BuiltInEncoding() const { return encoding_; }
  bool HasBuiltInEncoding() const { return hasEncoding_; }
  // 1000 x the first value of the top FontMatrix (1 when absent).
  double WidthScale() const { return widthScale_; }
  // The matrix taking the outline of the glyph last found by FindCharstring
  // from charstring units to thousandths of the em: its font dictionary's
  // FontMatrix (CID-keyed fonts) times the top (or Type 1) FontMatrix, times
  // 1000.
  std::array<double, 6> GlyphMatrix() const;
  int CharstringType() const { return charstringType_; }
  bool IsCIDKeyed() const { return cidKeyed_; }
  const std::vector<double>& FontBox() const { return fontBox_; }
  const std::vector<std::string>& GlyphNames() const { return glyphNames_; }
  size_t GlyphCount() const { return charstrings_.size(); }

  // The charstring of a glyph name, "GID:n" or "CID:n"; empty when unknown.
  // Selects the glyph's font dictionary (its local subroutines) in a
  // CID-keyed font.
  std::string FindCharstring(std::string_view key);
  std::string LocalSubroutine(int64_t n) const;
  std::string GlobalSubroutine(int64_t n) const;
  size_t LocalSubroutineCount() const;
  size_t GlobalSubroutineCount() const { return globalSubrs_.size(); }

  // Translates a glyph's charstring (once; later calls copy the cached
  // program) into CurrentProgram. False when the glyph has no charstring.
  bool GlyphProgram(std::string_view key);
  TGlyphProgram CurrentProgram;
  // The glyph's advance in its charstring units (from hsbw or sbw in Type 1,
  // the width operand or the default width in Type 2); -1 when unknown.
  double GlyphAdvance(std::string_view key);

  // Type 1 charstring encryption: decrypts with key 4330 and drops lenIV bytes.
  std::string DecryptCharstring(std::string_view cipher) const;
  int LenIV = 4;

  // Used by the readers and translators.
  TPDFDictionary* FontDictionary = nullptr;
  double defaultWidthX_ = 0, nominalWidthX_ = 0;  // of the CFF private dictionary
  double lastWidth_ = -1;                         // advance of the glyph last translated
  std::string Cleartext, Binary, Trailer;

 private:
  friend class TCFFReader;
  friend class TType1PrivateReader;
  void AddGlyph(std::string name, std::string charstring);

  std::unique_ptr<TPDFStructure> pool_;
  std::string readStringName_ = "RD", noAccessDefName_ = "ND", noAccessPutName_ = "NP";
  TGlyphNames encoding_;
  bool hasEncoding_ = false;
  std::vector<double> fontBox_;
  std::vector<std::string> glyphNames_;
  std::vector<std::string> charstrings_;
  std::unordered_map<std::string, size_t> glyphIndex_;  // first glyph of each name
  std::vector<std::string> localSubrs_;
  std::vector<std::string> globalSubrs_;
  std::vector<std::vector<std::string>> fdSubrs_;
  std::vector<int16_t> fdSelect_;  // -1: no usable font dictionary
  // FontMatrix of the top (or Type 1) dictionary and of each font
  // dictionary, when given.
  std::optional<std::array<double, 6>> topMatrix_;
  std::vector<std::optional<std::array<double, 6>>> fdMatrices_;
  int currentFD_ = -1;  // font dictionary of the glyph last found
  int charstringType_ = 1;
  bool cidKeyed_ = false;
  double widthScale_ = 1.0;
  std::unordered_map<std::string, TGlyphProgram> programCache_;
  std::unordered_map<std::string, double> advanceCache_;
};

// The /FontMatrix of a font program's dictionary: six finite numbers that
// are not singular, else none (a damaged matrix must not blow outlines up
// to infinity or flatten them).
std::optional<std::array<double, 6>> ReadFontMatrix(const TPDFDictionary* dict);

// Numbers in glyph programs: integers plainly, others with up to six decimals.
std::string GlyphProgramNumber(double value);

}  // namespace ostrel
