#include "pdf/text/cmaps/pdf_cmap.h"

#include <cctype>
#include <string>

#include "pdf/core/byte_classes.h"

namespace ostrel {
namespace {

constexpr int64_t kMaxCode = 0xFFFF;
// More hex digits than this cannot be a code: an unsigned 32-bit value.
constexpr size_t kMaxCodeDigits = 8;
// A destination is a short text; a longer string is damage, not a mapping.
constexpr size_t kMaxDestinationDigits = 4 * 512;

// Reads tokens from the text of one block, front to back.
class TTokenReader {
 public:
  explicit TTokenReader(std::string_view text) : text_(text) {}

  // The digits between the next "<" and the following ">", whitespace
  // removed; false when there is no such pair.
  bool NextHex(std::string& digits) {
    size_t open = text_.find('<', pos_);
    if (open == std::string_view::npos) return false;
    size_t close = text_.find('>', open + 1);
    if (close == std::string_view::npos) return false;
    digits.clear();
    for (char c : text_.substr(open + 1, close - open - 1))
      if (!IsPdfWhiteSpace(c)) digits.push_back(c);
    pos_ = close + 1;
    return true;
  }

  // A code token as a number; -1 when it is not valid hex or is too long.
  // False when no token remains.
  bool NextCode(int64_t& value) {
    std::string digits;
    if (!NextHex(digits)) return false;
    value = HexValue(digits);
    return true;
  }

  // True (and consumes it) when "[" comes before the next "<".
  bool NextIsArrayStart() {
    size_t at = text_.find_first_of("[<", pos_);
    if (at == std::string_view::npos || text_[at] != '[') return false;
    pos_ = at + 1;
    return true;
  }

  // True when "]" comes before the next "<", or no "<" is left.
  bool AtArrayEnd() const {
    size_t at = text_.find_first_of("]<", pos_);
    return at == std::string_view::npos || text_[at] == ']';
  }

  // A destination string: up to four digits are one unit; longer strings are
  // groups of four, a shorter last group dropped. Empty when the token is
  // missing or not hex. "<>" is a destination of no text: shaping writers
  // give it to every glyph of a cluster but the one carrying its text, and
  // empty is set for it.
  TResultCodes NextDestination(bool* empty = nullptr) {
    std::string digits;
    if (empty) *empty = false;
    if (!NextHex(digits) || digits.size() > kMaxDestinationDigits) return {};
    if (digits.empty()) {
      if (empty) *empty = true;
      return {};
    }
    TResultCodes units;
    if (digits.size() <= 4) {
      int64_t v = HexValue(digits);
      if (v >= 0) units.push_back(static_cast<int32_t>(v));
      return units;
    }
    for (size_t i = 0; i + 4 <= digits.size(); i += 4) {
      int64_t v = HexValue(digits.substr(i, 4));
      if (v < 0) return {};
      units.push_back(static_cast<int32_t>(v));
    }
    return units;
  }

  static int64_t HexValue(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxCodeDigits) return -1;
    int64_t value = 0;
    for (char c : digits) {
      int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
              : (c >= 'a' && c <= 'f')                   ? c - 'a' + 10
              : (c >= 'A' && c <= 'F')                   ? c - 'A' + 10
                                                         : -1;
      if (d < 0) return -1;
      value = value * 16 + d;
    }
    return value;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

bool UsableDestination(const TResultCodes& d) { return !d.empty() && d[0] >= 0 && d[0] < 0xFFFF; }

void AddEntry(TPDFCMap& map, int64_t first, int64_t last, TResultCodes destination) {
  map.push_back({static_cast<uint16_t>(first), static_cast<uint16_t>(last), std::move(destination)});
}

void ReadBfRanges(std::string_view block, TPDFCMap& map) {
  TTokenReader in(block);
  int64_t low, high;
  while (in.NextCode(low) && in.NextCode(high)) {
    if (low < 0 || high < 0) return;
    if (in.NextIsArrayStart()) {
      // One destination per code; the array's own length bounds the walk,
      // not the range, which may be huge or reversed.
      for (int64_t code = low; code <= high && !in.AtArrayEnd(); ++code) {
        TResultCodes d = in.NextDestination();
        if (d.empty()) return;
        if (code <= kMaxCode && UsableDestination(d)) AddEntry(map, code, code, std::move(d));
      }
      continue;
    }
    TResultCodes d = in.NextDestination();
    if (d.empty()) return;
    if (low <= high && high <= kMaxCode) AddEntry(map, low, high, std::move(d));
  }
}

void ReadBfChars(std::string_view block, TPDFCMap& map) {
  TTokenReader in(block);
  int64_t code;
  while (in.NextCode(code)) {
    bool noText = false;
    TResultCodes d = in.NextDestination(&noText);
    if (code < 0 || (d.empty() && !noText)) return;
    // A code of no text still gets its entry, so that it shows nothing
    // rather than falling back to its glyph name or its own value.
    if (code <= kMaxCode) AddEntry(map, code, code, std::move(d));
  }
}

// Position of the next keyword at or after from, cached until passed.
struct TKeywordCursor {
  std::string_view Keyword;
  size_t At = 0;
  bool Valid = false;
  size_t Next(std::string_view text, size_t from) {
    if (!Valid || (At != std::string_view::npos && At < from)) {
      At = text.find(Keyword, from);
      Valid = true;
    }
    return At;
  }
};

// A writer that put its UTF-16 in the wrong byte order maps every code to a
// single unit whose low byte is zero and whose high byte is a printable
// ASCII character ("M" as <4D00>). Real text of that shape (a handful of
// characters, each a multiple of 256: U+4E00, U+5000, ...) does not occur,
// so a map of at least this many such entries is read with its bytes
// swapped back.
constexpr size_t kMinSwappedEntries = 4;

bool LooksByteSwapped(const TPDFCMap& map) {
  if (map.size() < kMinSwappedEntries) return false;
  for (const TPDFCMapEntry& e : map) {
    if (e.FirstCode != e.LastCode || e.Destination.size() != 1) return false;
    const int32_t unit = e.Destination[0];
    if ((unit & 0xFF) != 0 || (unit >> 8) < 0x20 || (unit >> 8) > 0x7E) return false;
  }
  return true;
}

void SwapBytesBack(TPDFCMap& map) {
  if (!LooksByteSwapped(map)) return;
  for (TPDFCMapEntry& e : map) e.Destination[0] >>= 8;
}

}  // namespace

TPDFCMap ParseToUnicode(std::string_view text, bool& oneByte) {
  TPDFCMap map;
  oneByte = false;
  size_t spaceBegin = text.find("begincodespacerange");
  size_t spaceEnd = text.find("endcodespacerange");
  if (spaceBegin == std::string_view::npos || spaceEnd == std::string_view::npos || spaceEnd < spaceBegin)
    return map;
  TTokenReader space(text.substr(spaceBegin, spaceEnd - spaceBegin));
  std::string lowDigits, highDigits;
  if (!space.NextHex(lowDigits) || !space.NextHex(highDigits)) return map;
  oneByte = lowDigits.size() == 2;
  if (TTokenReader::HexValue(lowDigits) < 0 || TTokenReader::HexValue(highDigits) < 0) return map;

  size_t pos = spaceEnd + std::string_view("endcodespacerange").size();
  TKeywordCursor ranges{"beginbfrange"}, chars{"beginbfchar"};
  bool endCharsLeft = true;  // once "endbfchar" is missing it stays missing
  for (;;) {
    size_t r = ranges.Next(text, pos), c = chars.Next(text, pos);
    if (r == std::string_view::npos && c == std::string_view::npos) break;
    if (r < c) {
      size_t start = r + std::string_view("beginbfrange").size();
      size_t end = text.find("endbfrange", start);
      if (end == std::string_view::npos) break;
      ReadBfRanges(text.substr(start, end - start), map);
      pos = end + std::string_view("endbfrange").size();
    } else {
      size_t start = c + std::string_view("beginbfchar").size();
      std::string_view endWord = "endbfchar";
      size_t end = endCharsLeft ? text.find(endWord, start) : std::string_view::npos;
      if (end == std::string_view::npos) {
        endCharsLeft = false;
        endWord = "endcmap";
        end = text.find(endWord, start);
      }
      if (end == std::string_view::npos) break;
      ReadBfChars(text.substr(start, end - start), map);
      pos = end + endWord.size();
    }
  }
  SwapBytesBack(map);
  return map;
}

}  // namespace ostrel
