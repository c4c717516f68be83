#include "pdf/text/extract/text_extractor_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "pdf/core/number_format.h"
#include "platform/text_codec.h"

namespace ostrel {
namespace {

bool EndsWith(const std::u16string& s, std::u16string_view tail) {
  return s.size() >= tail.size() && std::u16string_view(s).substr(s.size() - tail.size()) == tail;
}

// Positions past this are damage; a bound keeps the list's numbers short.
constexpr double kMaxListCoordinate = 1e9;

void AppendNumber(std::u16string& out, double value) {
  if (!std::isfinite(value)) value = 0;
  value = std::clamp(value, -kMaxListCoordinate, kMaxListCoordinate);
  // Two decimals whatever the size: the list is read by people and scripts
  // in points, where a hundredth is below anything visible.
  std::string text;
  AppendFixedNumber(text, value, 2);
  out.append(text.begin(), text.end());
}

}  // namespace

void CleanUpExtractedText(std::u16string& text) {
  // Each rule is a rewrite of the text's first match until none is left;
  // building the result left to right and rewriting its tail gives the same
  // text in one pass, since a rewrite never creates a match further left.
  static constexpr std::u16string_view kBlankLine = u"\r\n \r\n";
  static constexpr std::u16string_view kThreeBreaks = u"\r\n\r\n\r\n";
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    out.push_back(c);
    while (EndsWith(out, kBlankLine)) out.erase(out.size() - kBlankLine.size(), 3);
  }
  text.clear();
  for (char16_t c : out) {
    text.push_back(c);
    while (EndsWith(text, kThreeBreaks)) text.erase(text.size() - kThreeBreaks.size(), 4);
  }
  std::replace(text.begin(), text.end(), u'\0', u' ');
  size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string::npos) {
    text.clear();
    return;
  }
  text.erase(text.find_last_not_of(u' ') + 1);
  text.erase(0, first);
}

void AppendListLine(std::u16string& out, double x, double y, std::string_view colorText, double size,
                    std::string_view baseFont, std::u16string_view text) {
  AppendNumber(out, x);
  out += u',';
  AppendNumber(out, y);
  out += u',';
  out.append(colorText.begin(), colorText.end());
  out += u',';
  AppendNumber(out, size);
  out += u",\"";
  out += Cp1252ToUtf16(baseFont);
  out += u"\",\"";
  for (char16_t c : text) {
    if (c == u'"') out += u'\\';
    out += c;
  }
  out += u"\"\r\n";
}

std::string FillColorText(int32_t color) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%06X", static_cast<unsigned>(color) & 0xFFFFFFu);
  return buf;
}

}  // namespace ostrel
