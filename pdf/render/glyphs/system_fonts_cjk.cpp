// Installed fonts for CID-keyed Chinese, Japanese and Korean fonts that a PDF
// does not embed. The IPA fonts are the Japanese choice (fixed-pitch and
// proportional Mincho and Gothic faces, as Windows has); any TrueType font
// that fontconfig says covers the collection's language comes next.
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "pdf/render/glyphs/system_fonts.h"

namespace ostrel {
namespace {

constexpr int32_t kSerifFlag = 2;

// Words of CJK font names that tell the style apart. Serif words are tried
// first: "HeiseiMin" holds "Hei" (a sans word) in its prefix.
constexpr const char* kSerifWords[] = {"min",   "ming",   "song",   "sung", "sun",
                                       "serif", "batang", "myeong", "kai",  "fang"};
constexpr const char* kSansWords[] = {"go", "kaku", "hei", "sans", "gulim", "dotum", "maru"};

// Covers Chinese, Japanese and Korean in one TrueType file, where installed.
constexpr const char* kAllCJKFamily = "Droid Sans Fallback";

struct TCollectionLanguage {
  const char* Ordering;
  const char* Lang;
};
constexpr TCollectionLanguage kLanguages[] = {
    {"Japan1", "ja"}, {"Japan2", "ja"}, {"GB1", "zh-cn"}, {"CNS1", "zh-tw"}, {"Korea1", "ko"}, {"KR", "ko"},
};

// Parts of the names of common CJK faces, for fonts of the Identity
// collection, which tells nothing of the language.
constexpr const char* kCJKNameParts[] = {"mincho", "gothic", "ming",  "song",    "sung", "hei",    "kai",
                                         "batang", "gulim",  "dotum", "gungsuh", "koz",  "meiryo", "yugo",
                                         "yumin",  "simsun", "fang",  "malgun",  "ipa",  "nanum"};

std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return out;
}

bool HasAnyWord(const std::string& name, const auto& words) {
  return std::any_of(std::begin(words), std::end(words),
                     [&](const char* w) { return name.find(w) != std::string::npos; });
}

const char* LanguageOf(std::string_view ordering) {
  for (const TCollectionLanguage& l : kLanguages)
    if (ordering == l.Ordering) return l.Lang;
  return "ja";  // Identity and unknown orderings: most such files are Japanese
}

}  // namespace

bool IsCJKFont(std::string_view baseFont, std::string_view ordering) {
  for (const TCollectionLanguage& l : kLanguages)
    if (ordering == l.Ordering) return true;
  // Names written in the font's own script (Shift-JIS bytes) count too.
  if (std::any_of(baseFont.begin(), baseFont.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    return true;
  return HasAnyWord(Lower(baseFont), kCJKNameParts);
}

TSystemFontFile TSystemFonts::FirstTrueTypeFile(const char* family, const char* lang) {
  TSystemFontFile file;
  FcPattern* pattern = FcPatternCreate();
  if (family) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcLangSet* langs = nullptr;
  if (lang) {
    langs = FcLangSetCreate();
    FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>(lang));
    FcPatternAddLangSet(pattern, FC_LANG, langs);
  }
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FONTFORMAT, nullptr);
  FcFontSet* set = FcFontList(config_, pattern, objects);
  for (int i = 0; set && i < set->nfont && file.Path.empty(); ++i) {
    FcChar8* format = nullptr;
    FcChar8* path = nullptr;
    if (FcPatternGetString(set->fonts[i], FC_FONTFORMAT, 0, &format) != FcResultMatch ||
        std::string_view(reinterpret_cast<const char*>(format)) != "TrueType")
      continue;
    if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &path) != FcResultMatch) continue;
    file.Path = reinterpret_cast<const char*>(path);
    FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &file.FaceIndex);
  }
  if (set) FcFontSetDestroy(set);
  FcObjectSetDestroy(objects);
  if (langs) FcLangSetDestroy(langs);
  FcPatternDestroy(pattern);
  return file;
}

TSystemFontFile TSystemFonts::FindCJKFile(std::string_view baseFont, int32_t flags, std::string_view ordering) {
  std::string name = Lower(RewriteSubstituteName(baseFont));
  bool serif = HasAnyWord(name, kSerifWords) || (!HasAnyWord(name, kSansWords) && (flags & kSerifFlag));
  bool proportional = name.find("pgothic") != std::string::npos || name.find("pmincho") != std::string::npos;
  std::array<const char*, 2> ipa =
      serif ? std::array{"IPAMincho", "IPAPMincho"} : std::array{"IPAGothic", "IPAPGothic"};
  if (proportional) std::swap(ipa[0], ipa[1]);
  const char* lang = LanguageOf(ordering);
  bool japanese = std::string_view(lang) == "ja";
  // The IPA fonts cover Japanese only; other languages try their own fonts
  // first, then a font covering all of CJK (Hangul too), and the IPA Kanji
  // last.
  if (japanese) {
    for (const char* family : ipa)
      if (TSystemFontFile f = FirstTrueTypeFile(family, nullptr); !f.Path.empty()) return f;
  }
  if (TSystemFontFile f = FirstTrueTypeFile(nullptr, lang); !f.Path.empty()) return f;
  if (!japanese) {
    if (TSystemFontFile f = FirstTrueTypeFile(kAllCJKFamily, nullptr); !f.Path.empty()) return f;
    for (const char* family : ipa)
      if (TSystemFontFile f = FirstTrueTypeFile(family, nullptr); !f.Path.empty()) return f;
  }
  return {};
}

}  // namespace ostrel
