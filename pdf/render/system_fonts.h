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

class TSystemFonts {
 public:
  // config: the fontconfig configuration to ask (nullptr: the current one);
  // tests pass a private one holding only known fonts.
  explicit TSystemFonts(FcConfig* config = nullptr) : config_(config) {}

  // The installed families, in fontconfig's order, plus the names the alias
  // table makes available.
  const std::vector<std::string>& Families();
  // Rewrites a /BaseFont into the family and style to draw it with.
  TSystemFontChoice Choose(std::string_view baseFont, int32_t flags);
  // The file of a family in a style; empty Path when nothing is installed,
  // not even the last-resort family.
  TSystemFontFile FindFile(const TSystemFontChoice& choice);
  // The font's bytes, empty when missing or larger than 100 MiB.
  static std::string ReadFontData(const TSystemFontFile& file);

 private:
  FcConfig* config_;
  std::vector<std::string> families_;
  bool listed_ = false;
};

// The canonical name of standard-font row 1 to 14 ("Arial,Bold"), "" else.
const char* StandardFontCanonicalName(int row);

// The name rewriting before family matching: "MT" endings, subset prefixes
// and "-Bold"/"-Italic" style suffixes.
std::string RewriteSubstituteName(std::string_view baseFont);

}  // namespace ostrel
