#include "pdf/text/extract/text_extractor_marked.h"

#include <algorithm>

#include "pdf/core/content_strings.h"
#include "pdf/text/pdf_doc_encoding.h"

namespace ostrel {
namespace {

bool IsWhite(char c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

// Past the literal string that starts at start, or npos when it runs off.
size_t LiteralEnd(std::string_view text, size_t start) {
  int depth = 0;
  for (size_t i = start; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '(') {
      ++depth;
    } else if (text[i] == ')' && --depth == 0) {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

}  // namespace

std::optional<std::u16string> ActualTextOf(std::string_view dictionary) {
  constexpr std::string_view kKey = "/ActualText";
  size_t at = dictionary.find(kKey);
  // "/ActualTextX" would be another key.
  while (at != std::string_view::npos && at + kKey.size() < dictionary.size()) {
    char next = dictionary[at + kKey.size()];
    if (IsWhite(next) || next == '(' || next == '<') break;
    at = dictionary.find(kKey, at + 1);
  }
  if (at == std::string_view::npos) return std::nullopt;
  size_t i = at + kKey.size();
  while (i < dictionary.size() && IsWhite(dictionary[i])) ++i;
  if (i >= dictionary.size()) return std::nullopt;
  if (dictionary[i] == '(') {
    size_t end = LiteralEnd(dictionary, i);
    if (end == std::string_view::npos) return std::nullopt;
    return PdfTextDecode(ContentLiteralUnescape(dictionary.substr(i, end - i)));
  }
  if (dictionary[i] == '<' && dictionary.substr(i, 2) != "<<") {
    size_t end = dictionary.find('>', i);
    if (end == std::string_view::npos) return std::nullopt;
    return PdfTextDecode(ContentHexDecode(dictionary.substr(i, end + 1 - i)));
  }
  return std::nullopt;
}

}  // namespace ostrel
