#include "pdf/text/embedding/fallback_fonts.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <tuple>
#include <vector>

namespace ostrel {
namespace {

using F = TFallbackFamily;

constexpr F kLatin[] = {F::LiberationSans, F::DejaVuSans, F::WenQuanYiZenHei, F::IPAGothic, F::UnDotum};
constexpr F kJapanese[] = {F::IPAGothic, F::WenQuanYiZenHei, F::UnDotum, F::DejaVuSans, F::LiberationSans};
constexpr F kChinese[] = {F::WenQuanYiZenHei, F::IPAGothic, F::UnDotum, F::DejaVuSans, F::LiberationSans};
constexpr F kKorean[] = {F::UnDotum, F::WenQuanYiZenHei, F::IPAGothic, F::DejaVuSans, F::LiberationSans};

struct TRange {
  char32_t First, Last;
};
constexpr TRange kHangul[] = {{kFirstEastAsian, 0x11FF}, {0x3130, 0x318F}, {0xA960, 0xA97F}, {0xAC00, 0xD7FF}, {0xFFA0, 0xFFDC}};
constexpr TRange kKana[] = {{0x3040, 0x30FF}, {0x31F0, 0x31FF}, {0xFF66, 0xFF9F}, {0x1B000, 0x1B16F}};
constexpr TRange kBopomofo[] = {{0x3100, 0x312F}, {0x31A0, 0x31BF}};
// Han and the punctuation, symbols and full-width forms East Asian text shares.
constexpr TRange kHanShared[] = {{0x2E80, 0x2FDF}, {0x3000, 0x303F}, {0x3190, 0x319F}, {0x31C0, 0x31EF},
                                 {0x3200, 0x33FF}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xF900, 0xFAFF},
                                 {0xFE30, 0xFE4F}, {0xFF00, 0xFF65}, {0xFFE0, 0xFFEF}, {0x20000, 0x3FFFF}};

bool In(std::span<const TRange> ranges, char32_t c) {
  return std::any_of(ranges.begin(), ranges.end(), [c](const TRange& r) { return c >= r.First && c <= r.Last; });
}

std::span<const F> ListOf(TEastAsian language) {
  switch (language) {
    case TEastAsian::Japanese: return kJapanese;
    case TEastAsian::Korean: return kKorean;
    case TEastAsian::Chinese: break;
  }
  return kChinese;
}

}  // namespace

std::string_view FallbackFamilyName(TFallbackFamily family) {
  switch (family) {
    case F::LiberationSans: return "Liberation Sans";
    case F::DejaVuSans: return "DejaVu Sans";
    case F::IPAGothic: return "IPAGothic";
    case F::WenQuanYiZenHei: return "WenQuanYi Zen Hei";
    case F::UnDotum: return "UnDotum";
  }
  return {};
}

std::optional<TEastAsian> OwnEastAsianScript(char32_t c) {
  // Below the first East Asian block (most text): no range to look through.
  if (c < kFirstEastAsian) return std::nullopt;
  if (In(kKana, c)) return TEastAsian::Japanese;
  if (In(kHangul, c)) return TEastAsian::Korean;
  if (In(kBopomofo, c)) return TEastAsian::Chinese;
  return std::nullopt;
}

std::span<const TFallbackFamily> FallbackCandidates(char32_t c, TEastAsian hanAs) {
  if (c < kFirstEastAsian) return kLatin;
  if (std::optional<TEastAsian> own = OwnEastAsianScript(c)) return ListOf(*own);
  if (c >= kHanShared[0].First && In(kHanShared, c)) return ListOf(hanAs);
  return kLatin;
}

std::optional<TFontFile> FindFontFile(std::string_view family) {
  std::string name(family);
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcObjectSet* objects =
      FcObjectSetBuild(FC_FILE, FC_INDEX, FC_POSTSCRIPT_NAME, FC_WEIGHT, FC_SLANT, FC_WIDTH, FC_FONTFORMAT, nullptr);
  FcFontSet* set = FcFontList(nullptr, pattern, objects);
  std::vector<TFontFile> found;
  for (int i = 0; set && i < set->nfont; ++i) {
    FcPattern* font = set->fonts[i];
    int weight = 0, slant = 0, width = FC_WIDTH_NORMAL, index = 0;
    FcChar8 *file = nullptr, *format = nullptr, *postscript = nullptr;
    FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(font, FC_SLANT, 0, &slant);
    FcPatternGetInteger(font, FC_WIDTH, 0, &width);
    FcPatternGetInteger(font, FC_INDEX, 0, &index);
    // Only TrueType outlines can be embedded as CIDFontType2 programs.
    if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) != FcResultMatch ||
        std::string_view(reinterpret_cast<const char*>(format)) != "TrueType")
      continue;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
    if (weight < FC_WEIGHT_BOOK || weight > FC_WEIGHT_MEDIUM || slant != FC_SLANT_ROMAN || width != FC_WIDTH_NORMAL)
      continue;
    TFontFile face{reinterpret_cast<const char*>(file), index, name};
    if (FcPatternGetString(font, FC_POSTSCRIPT_NAME, 0, &postscript) == FcResultMatch)
      face.PostScriptName = reinterpret_cast<const char*>(postscript);
    std::erase(face.PostScriptName, ' ');
    found.push_back(std::move(face));
  }
  if (set) FcFontSetDestroy(set);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  if (found.empty()) return std::nullopt;
  // Several copies of one font (a link under another name) give the same
  // glyphs: the first path in order keeps the choice repeatable.
  return *std::min_element(found.begin(), found.end(), [](const TFontFile& a, const TFontFile& b) {
    return std::tie(a.Path, a.Face) < std::tie(b.Path, b.Face);
  });
}

}  // namespace ostrel
