#include "pdf/core/stream_data.h"

#include <algorithm>

namespace ostrel {
namespace {

// White space other than line ends: what may stand between "stream" and its
// line break, or after the declared end of the data.
bool IsBlankInLine(char c) { return c == 0 || c == '\t' || c == '\f' || c == ' '; }

}  // namespace

size_t StreamDataStart(std::string_view text, size_t afterKeyword) {
  size_t start = afterKeyword;
  while (start < text.size() && IsBlankInLine(text[start])) ++start;
  if (start >= text.size()) return std::string_view::npos;
  if (text[start] == '\r') {
    ++start;
    if (start < text.size() && text[start] == '\n') ++start;
    return start;
  }
  return text[start] == '\n' ? start + 1 : std::string_view::npos;
}

bool DataUpToEndstream(std::string_view text, size_t start, std::string_view& data) {
  size_t stop = text.rfind("endstream");
  if (stop == std::string_view::npos || stop < start) return false;
  if (stop > start && text[stop - 1] == '\n') --stop;
  if (stop > start && text[stop - 1] == '\r') --stop;
  data = text.substr(start, stop - start);
  return true;
}

size_t StreamDataLength(std::string_view text, size_t start, size_t declared) {
  size_t p = start + declared;
  if (p < text.size() && IsBlankInLine(text[p])) ++p;
  // A length one byte too long ends inside the keyword: step back so that
  // the keyword is still found.
  if (p < text.size() && text[p] == 'n' && p > start) --p;
  if (p < text.size() && text[p] == '\r') ++p;
  if (p < text.size() && text[p] == '\n') ++p;
  const size_t found = text.find("endstream", p);
  if (found == std::string_view::npos) return std::string_view::npos;
  return std::min(declared + (found - p), found - start);
}

}  // namespace ostrel
