// Installed fonts for CID-keyed Chinese, Japanese and Korean fonts that a PDF
// does not embed, chosen by the collection's language: the IPA fonts for
// Japanese (fixed-pitch and proportional Mincho and Gothic faces, as Windows
// has), WenQuanYi Zen Hei for Chinese, the Un fonts for Korean; any TrueType
// font that fontconfig says covers the language comes next.
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdlib>
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

// The installed faces each language prefers, serif and sans, fixed-pitch
// before proportional. Other fonts fontconfig finds for the language come
// after them: some cover the language but are display or handwriting faces.
struct TLanguageFonts {
  const char* Lang;
  std::array<const char*, 2> Serif;
  std::array<const char*, 2> Sans;
};
constexpr TLanguageFonts kLanguageFonts[] = {
    {"ja", {"IPAMincho", "IPAPMincho"}, {"IPAGothic", "IPAPGothic"}},
    {"zh-cn", {"WenQuanYi Zen Hei", nullptr}, {"WenQuanYi Zen Hei", nullptr}},
    {"zh-tw", {"WenQuanYi Zen Hei", nullptr}, {"WenQuanYi Zen Hei", nullptr}},
    {"ko", {"UnBatang", nullptr}, {"UnDotum", nullptr}},
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
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FONTFORMAT, FC_WEIGHT, FC_SLANT, nullptr);
  FcFontSet* set = FcFontList(config_, pattern, objects);
  // A family lists its faces in no particular order: the upright face of
  // regular weight is the one to draw plain text with.
  int best = INT_MAX;
  for (int i = 0; set && i < set->nfont; ++i) {
    FcChar8* format = nullptr;
    FcChar8* path = nullptr;
    if (FcPatternGetString(set->fonts[i], FC_FONTFORMAT, 0, &format) != FcResultMatch ||
        std::string_view(reinterpret_cast<const char*>(format)) != "TrueType")
      continue;
    if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &path) != FcResultMatch) continue;
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(set->fonts[i], FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(set->fonts[i], FC_SLANT, 0, &slant);
    int score = std::abs(weight - FC_WEIGHT_REGULAR) + (slant != FC_SLANT_ROMAN ? 1000 : 0);
    if (score >= best) continue;
    best = score;
    file.Path = reinterpret_cast<const char*>(path);
    file.FaceIndex = 0;
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
  const char* lang = LanguageOf(ordering);
  const TLanguageFonts& japanese = kLanguageFonts[0];
  const TLanguageFonts& own =
      *std::find_if(std::begin(kLanguageFonts), std::end(kLanguageFonts),
                    [&](const TLanguageFonts& l) { return std::string_view(l.Lang) == lang; });
  auto preferred = [&](const TLanguageFonts& l) {
    std::array<const char*, 2> families = serif ? l.Serif : l.Sans;
    if (proportional && families[1]) std::swap(families[0], families[1]);
    return families;
  };
  for (const char* family : preferred(own))
    if (family)
      if (TSystemFontFile f = FirstTrueTypeFile(family, nullptr); !f.Path.empty()) return f;
  if (TSystemFontFile f = FirstTrueTypeFile(nullptr, lang); !f.Path.empty()) return f;
  // Without a font for the language: a font covering all of CJK (Hangul
  // too), and the Japanese Kanji last.
  if (&own != &japanese) {
    if (TSystemFontFile f = FirstTrueTypeFile(kAllCJKFamily, nullptr); !f.Path.empty()) return f;
    for (const char* family : preferred(japanese))
      if (TSystemFontFile f = FirstTrueTypeFile(family, nullptr); !f.Path.empty()) return f;
  }
  return {};
}

}  // namespace ostrel
