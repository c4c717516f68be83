// Choosing and finding installed fonts for fonts that are not embedded.
#include "pdf/render/glyphs/system_fonts.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "pdf/text/standard_fonts.h"

namespace ostrel {
namespace {

constexpr uintmax_t kMaxFontFileSize = 104857600;
constexpr int32_t kFixedPitchFlag = 1;
constexpr int32_t kSerifFlag = 2;
constexpr int32_t kItalicFlag = 0x40;
constexpr int32_t kForceBoldFlag = 0x40000;
// Vertical stems of regular text faces measure below 100 units, those of
// bold faces about 130 and more.
constexpr double kBoldStemV = 120;

// Words of a font name's style part (compared in lower case) that ask for a
// bold or a slanted face: "Semibold", "ExtraBold", "Black", "Heavy", "Demi".
constexpr std::string_view kBoldWords[] = {"bold", "black", "heavy", "demi"};
constexpr std::string_view kItalicWords[] = {"italic", "oblique", "slanted"};
// Style words that may end a family name without a separator.
constexpr std::string_view kStyleSuffixes[] = {"Bold", "Italic", "Oblique", "Black", "Heavy", "Regular"};

// Families that are not installed, by a word of their name, drawn with the
// metric-compatible face of their kind. Earlier rows win ("Courier Sans"
// is fixed pitch, "Sans Serif" is sans).
struct TFamilyKind {
  std::string_view Word;  // lower case
  const char* Family;
};
constexpr TFamilyKind kFamilyKinds[] = {
    {"courier", "Courier"},         {"mono", "Courier"},
    {"consolas", "Courier"},        {"typewriter", "Courier"},
    {"helvetica", "Arial"},         {"arial", "Arial"},
    {"sans", "Arial"},              {"verdana", "Arial"},
    {"tahoma", "Arial"},            {"calibri", "Arial"},
    {"times", "Times New Roman"},   {"serif", "Times New Roman"},
    {"georgia", "Times New Roman"},
    {"garamond", "Times New Roman"}, {"palatino", "Times New Roman"},
    {"bookman", "Times New Roman"}, {"cambria", "Times New Roman"},
    {"century", "Times New Roman"}, {"minion", "Times New Roman"},
};

constexpr const char* kCanonicalNames[] = {
    "CourierNew", "CourierNew,Bold", "CourierNew,BoldItalic", "CourierNew,Italic", "Arial", "Arial,Bold",
    "Arial,BoldItalic", "Arial,Italic", "TimesNewRoman", "TimesNewRoman,Bold", "TimesNewRoman,Italic",
    "TimesNewRoman,BoldItalic", "Symbol", "ZapfDingbats"};

// Names the Windows design expects installed, and the free families that
// are metric-compatible with them.
struct TAlias {
  const char* Name;
  const char* Family;
};
constexpr TAlias kAliases[] = {
    {"Arial", "Liberation Sans"},         {"Times New Roman", "Liberation Serif"},
    {"TimesNewRoman", "Liberation Serif"}, {"Courier New", "Liberation Mono"},
    {"CourierNew", "Liberation Mono"},    {"Courier", "Liberation Mono"},
    {"Symbol", "DejaVu Sans"},
};
constexpr const char* kLastResort = "DejaVu Sans";

void ReplaceAll(std::string& s, std::string_view from, std::string_view to) {
  for (size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from, pos + to.size()))
    s.replace(pos, from.size(), to);
}

std::string WithoutSpaces(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != ' ') out.push_back(c);
  return out;
}

std::string Lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

template <size_t N>
bool HasAnyWord(std::string_view text, const std::string_view (&words)[N]) {
  return std::any_of(std::begin(words), std::end(words), [&](std::string_view w) { return text.find(w) != text.npos; });
}

// Removes style words glued to the end of a family ("TimesBoldItalic") and
// returns them in lower case.
std::string StripStyleSuffixes(std::string& family) {
  std::string removed;
  for (bool again = true; again;) {
    again = false;
    for (std::string_view suffix : kStyleSuffixes)
      if (family.size() > suffix.size() && family.ends_with(suffix)) {
        removed += Lowered(suffix);
        family.resize(family.size() - suffix.size());
        again = true;
      }
  }
  return removed;
}

const char* FamilyByName(std::string_view family) {
  std::string lowered = Lowered(family);
  for (const TFamilyKind& k : kFamilyKinds)
    if (lowered.find(k.Word) != std::string::npos) return k.Family;
  return "";
}

const char* AliasFamily(std::string_view name) {
  for (const TAlias& a : kAliases)
    if (name == a.Name) return a.Family;
  return nullptr;
}

}  // namespace

const char* StandardFontCanonicalName(int row) { return row >= 1 && row <= 14 ? kCanonicalNames[row - 1] : ""; }

std::string RewriteSubstituteName(std::string_view baseFont) {
  std::string name(baseFont.empty() ? "Arial" : baseFont);
  if (name.ends_with("MT")) name.resize(name.size() - 2);
  ReplaceAll(name, "MT-", "-");
  if (name.size() > 7 && name[6] == '+' &&
      std::all_of(name.begin(), name.begin() + 6, [](char c) { return c >= 'A' && c <= 'Z'; }))
    name.erase(0, 7);
  if (size_t plus = name.find('+'); plus != std::string::npos) name.resize(plus);
  ReplaceAll(name, "-BoldItalic", ",BoldItalic");
  ReplaceAll(name, "-BoldOblique", ",BoldItalic");
  ReplaceAll(name, "-Bold", ",Bold");
  ReplaceAll(name, "-Italic", ",Italic");
  ReplaceAll(name, "-Oblique", ",Italic");
  ReplaceAll(name, ",Bold,Bold", ",Bold");
  return name;
}

const std::vector<std::string>& TSystemFonts::Families() {
  if (listed_) return families_;
  listed_ = true;
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FONTFORMAT, nullptr);
  FcFontSet* set = FcFontList(config_, pattern, objects);
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* format = nullptr;
      if (FcPatternGetString(set->fonts[i], FC_FONTFORMAT, 0, &format) != FcResultMatch) continue;
      std::string_view f = reinterpret_cast<const char*>(format);
      if (f != "TrueType" && f != "CFF") continue;
      FcChar8* family = nullptr;
      for (int n = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n) {
        std::string name = reinterpret_cast<const char*>(family);
        if (std::find(families_.begin(), families_.end(), name) == families_.end()) families_.push_back(name);
      }
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  for (const TAlias& a : kAliases)
    if (std::find(families_.begin(), families_.end(), a.Family) != families_.end()) families_.push_back(a.Name);
  return families_;
}

TSystemFontChoice TSystemFonts::Choose(std::string_view baseFont, const TFontStyleHints& hints) {
  std::string name = RewriteSubstituteName(baseFont);
  if (int row = MatchStandardFont(name)) name = StandardFontCanonicalName(row);
  // "Family,Style" or "Family-Style"; a family may also carry its style
  // glued on ("ArialBold", "ArialBlack") when no family of the whole name is
  // installed.
  size_t cut = name.find_first_of(",-");
  std::string family = name.substr(0, cut);
  std::string style = cut == std::string::npos ? "" : Lowered(name.substr(cut + 1));
  std::string installed = InstalledFamily(family);
  if (installed.empty()) {
    style += StripStyleSuffixes(family);
    installed = InstalledFamily(family);
  }
  TSystemFontChoice choice;
  choice.Bold = HasAnyWord(style, kBoldWords) || hints.FontWeight >= 600 || (hints.Flags & kForceBoldFlag) ||
                hints.StemV >= kBoldStemV;
  choice.Italic = HasAnyWord(style, kItalicWords) || hints.ItalicAngle != 0 || (hints.Flags & kItalicFlag);
  if (!installed.empty()) {
    choice.Family = installed;
    return choice;
  }
  choice.Family = FamilyByName(family);
  if (choice.Family.empty()) {
    choice.Family = "Arial";
    if (hints.Flags & kFixedPitchFlag) choice.Family = "Courier";
    if (hints.Flags & kSerifFlag) choice.Family = "Times New Roman";
  }
  return choice;
}

std::string TSystemFonts::InstalledFamily(std::string_view name) {
  for (const std::string& family : Families())
    if (family == name || WithoutSpaces(family) == name) return family;
  return {};
}

TSystemFontFile TSystemFonts::FindFile(const TSystemFontChoice& choice) {
  TSystemFontFile file;
  const char* alias = AliasFamily(choice.Family);
  for (const char* family : {alias ? alias : choice.Family.c_str(), kLastResort}) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_FONTFORMAT, nullptr);
    FcFontSet* set = FcFontList(config_, pattern, objects);
    int best = -1;
    int bestScore = 1 << 30;
    for (int i = 0; set && i < set->nfont; ++i) {
      FcChar8* format = nullptr;
      if (FcPatternGetString(set->fonts[i], FC_FONTFORMAT, 0, &format) != FcResultMatch) continue;
      std::string_view f = reinterpret_cast<const char*>(format);
      if (f != "TrueType" && f != "CFF") continue;
      int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
      FcPatternGetInteger(set->fonts[i], FC_WEIGHT, 0, &weight);
      FcPatternGetInteger(set->fonts[i], FC_SLANT, 0, &slant);
      int score = std::abs(weight - (choice.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR)) +
                  std::abs(slant - (choice.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN)) * 2;
      if (score < bestScore) {
        bestScore = score;
        best = i;
      }
    }
    if (best >= 0) {
      FcChar8* path = nullptr;
      FcPatternGetString(set->fonts[best], FC_FILE, 0, &path);
      FcPatternGetInteger(set->fonts[best], FC_INDEX, 0, &file.FaceIndex);
      if (path) file.Path = reinterpret_cast<const char*>(path);
    }
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    if (!file.Path.empty()) break;
  }
  return file;
}

std::string TSystemFonts::ReadFontData(const TSystemFontFile& file) {
  std::ifstream in(file.Path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  std::streamoff size = in.tellg();
  if (size <= 0 || uintmax_t(size) > kMaxFontFileSize) return {};
  std::string data(size_t(size), '\0');
  in.seekg(0);
  in.read(data.data(), size);
  return in ? data : std::string();
}

}  // namespace ostrel
