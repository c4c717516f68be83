#pragma once
// The installed fonts that text outside Windows-1252 is set in, and which of
// them to try for a character: Liberation Sans for Latin, Greek and
// Cyrillic, DejaVu Sans for what Liberation lacks, IPA Gothic for Japanese,
// WenQuanYi Zen Hei for Chinese and UnDotum for Korean.
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ostrel {

enum class TFallbackFamily { LiberationSans, DejaVuSans, IPAGothic, WenQuanYiZenHei, UnDotum };
inline constexpr int kFallbackFamilyCount = 5;

// Which East Asian language Han characters (shared by all three) are read
// as: the last script of its own a text showed (kana, hangul or bopomofo).
enum class TEastAsian { Chinese, Japanese, Korean };

// The fontconfig family name of a fallback family.
std::string_view FallbackFamilyName(TFallbackFamily family);

// The families that may show character c, best first.
std::span<const TFallbackFamily> FallbackCandidates(char32_t c, TEastAsian hanAs);

// The East Asian script c belongs to on its own, if any (Han does not count).
std::optional<TEastAsian> OwnEastAsianScript(char32_t c);
// Below this character (most text) nothing is East Asian, so callers going
// through a text may skip the lookups.
inline constexpr char32_t kFirstEastAsian = 0x1100;

// The regular upright face of an installed family, found through fontconfig.
struct TFontFile {
  std::string Path;
  int Face = 0;              // index inside a font collection
  std::string PostScriptName;  // without blanks
};
std::optional<TFontFile> FindFontFile(std::string_view family);

}  // namespace ostrel
