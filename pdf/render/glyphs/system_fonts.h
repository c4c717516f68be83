#pragma once
// Installed fonts that stand in for fonts a PDF does not embed, found through
// fontconfig among TrueType and OpenType files.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

typedef struct _FcConfig FcConfig;

namespace ostrel {

struct TSystemFontChoice {
  std::string Family;  // an installed family, or one of the fallbacks
  bool Bold = false;
  bool Italic = false;
};

struct TSystemFontFile {
  std::string Path;
  int FaceIndex = 0;
};

// What a font's descriptor says about its style besides its name: /Flags,
// /FontWeight, /StemV and /ItalicAngle (0 when absent).
struct TFontStyleHints {
  int32_t Flags = 0;
  double FontWeight = 0;
  double StemV = 0;
  double ItalicAngle = 0;
};

class TSystemFonts {
 public:
  // config: the fontconfig configuration to ask (nullptr: the current one);
  // tests pass a private one holding only known fonts.
  explicit TSystemFonts(FcConfig* config = nullptr) : config_(config) {}

  // The installed families, in fontconfig's order, plus the names the alias
  // table makes available.
  const std::vector<std::string>& Families();
  // Rewrites a /BaseFont into the family and style to draw it with: an
  // installed family of that name, else a serif, sans or fixed-pitch family
  // after the name or the flags; bold and italic from the name's style words
  // or the descriptor.
  TSystemFontChoice Choose(std::string_view baseFont, const TFontStyleHints& hints);
  TSystemFontChoice Choose(std::string_view baseFont, int32_t flags) { return Choose(baseFont, TFontStyleHints{flags}); }
  // The file of a family in a style; empty Path when nothing is installed,
  // not even the last-resort family.
  TSystemFontFile FindFile(const TSystemFontChoice& choice);
  // An installed TrueType font for the characters of a CID-keyed font that is
  // not embedded: Mincho (serif) or Gothic (sans) after the font's name and
  // Flags, covering the language of its collection ("Japan1", "GB1", "CNS1",
  // "Korea1"). Empty Path when nothing installed covers it.
  TSystemFontFile FindCJKFile(std::string_view baseFont, int32_t flags, std::string_view ordering);
  // The font's bytes, empty when missing or larger than 100 MiB.
  static std::string ReadFontData(const TSystemFontFile& file);

 private:
  // The installed family (or alias) of that name, spaces ignored; "" when none.
  std::string InstalledFamily(std::string_view name);
  TSystemFontFile FirstTrueTypeFile(const char* family, const char* lang);
  FcConfig* config_;
  std::vector<std::string> families_;
  bool listed_ = false;
};

// Whether a CID font that is not embedded stands for Chinese, Japanese or
// Korean text: its collection is one of those languages', or (for the
// Identity collection) its name is that of a CJK font.
bool IsCJKFont(std::string_view baseFont, std::string_view ordering);

// The canonical name of standard-font row 1 to 14 ("Arial,Bold"), "" else.
const char* StandardFontCanonicalName(int row);

// The name rewriting before family matching: "MT" endings, subset prefixes
// and "-Bold"/"-Italic" style suffixes.
std::string RewriteSubstituteName(std::string_view baseFont);

}  // namespace ostrel
