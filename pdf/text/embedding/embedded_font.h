#pragma once
// TPDFEmbeddedFont: an installed TrueType font embedded in a document as a
// Type0 font over a CIDFontType2: the glyphs shown are numbered as they are
// first used (CID = glyph number of the subset, Identity-H), the subset
// program, the /W widths and a ToUnicode map are written by Finish, before
// the document is saved, so readers give the text back.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ostrel {

class TPDFDictionary;
class TPDFIndRef;
class TPDFStream;
class TPDFStructure;
class TPDFTrueTypeParser;
class TTrueTypeGlyphs;

class TPDFEmbeddedFont {
 public:
  // Reads face `face` of the font file; nullptr when it is missing or has no
  // TrueType outlines. The font's objects are made indirect in the pool.
  static std::unique_ptr<TPDFEmbeddedFont> Load(TPDFStructure& pool, std::string resourceName,
                                                const std::string& path, int face, std::string postScriptName);
  ~TPDFEmbeddedFont();

  bool Has(char32_t c) const { return GlyphOf(c) != 0; }
  // Advance of c in thousandths of the text size.
  double Advance(char32_t c) const;
  // The two-byte codes of text (every character must be one the font has),
  // remembering the glyphs used and the characters they stand for.
  std::string Encode(std::u32string_view text);
  // Writes the subset program, widths and ToUnicode map of the glyphs used so
  // far; may run again after more text was shown.
  void Finish();

  const std::string ResourceName;
  TPDFIndRef* Reference = nullptr;  // the Type0 font dictionary

 private:
  TPDFEmbeddedFont(TPDFStructure& pool, std::string resourceName);
  uint16_t GlyphOf(char32_t c) const;
  uint16_t LookUpGlyph(char32_t c) const;
  void MakeObjects(const std::string& postScriptName);

  TPDFStructure& pool_;
  std::unique_ptr<TPDFTrueTypeParser> parser_;
  std::unique_ptr<TTrueTypeGlyphs> glyphs_;
  std::unordered_map<char32_t, uint16_t> cmap_;  // character -> glyph of the whole font
  // The glyphs of basic-plane characters looked up so far, in blocks of 256
  // characters made on first use (0: not looked up, else 0x10000 | glyph):
  // text is measured and encoded character by character, and a hash lookup
  // for each would cost more than the rest of the work.
  mutable std::array<std::unique_ptr<uint32_t[]>, 256> glyphBlocks_;
  double unitsPerEm_ = 1000;
  std::string postScriptName_;
  // The subset: CID i shows glyph used_[i]; CID 0 is .notdef.
  std::vector<uint16_t> used_{0};
  static constexpr uint16_t kNoCid = 0xFFFF;
  std::vector<uint16_t> cidOf_ = std::vector<uint16_t>(0x10000, kNoCid);  // glyph -> CID
  std::vector<std::u32string> textOf_{U""};  // per CID, the characters it stands for
  TPDFDictionary* type0_ = nullptr;
  TPDFDictionary* cidFont_ = nullptr;
  TPDFDictionary* descriptor_ = nullptr;
  TPDFStream* program_ = nullptr;
  TPDFStream* toUnicode_ = nullptr;
};

}  // namespace ostrel
