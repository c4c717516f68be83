#include "pdf/text/extract/text_extractor_tokens.h"

namespace ostrel {
namespace {

bool IsContentWhite(char c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

// "/" starts a name, so it ends the token before it: writers glue operators
// to the next font name ("]TJ/F2 9 Tf").
bool EndsPlainToken(char c) { return IsContentWhite(c) || c == '(' || c == '<' || c == '[' || c == ']' || c == '/'; }

// Past the ")" that balances the "(" at start, or the end of the content.
size_t LiteralEnd(std::string_view content, size_t start) {
  size_t depth = 0;
  for (size_t i = start; i < content.size(); ++i) {
    char c = content[i];
    if (c == '\\') {
      ++i;  // the escaped byte is never a delimiter
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth == 0) {
      return i + 1;
    }
  }
  return content.size();
}

}  // namespace

std::string_view NextContentToken(std::string_view content, size_t& pos) {
  const size_t n = content.size();
  while (pos < n && IsContentWhite(content[pos])) ++pos;
  if (pos >= n) return {};
  size_t start = pos;
  char first = content[start];
  if (first == '(') {
    pos = LiteralEnd(content, start);
  } else if (first == '[' || first == ']') {
    pos = start + 1;
  } else if (first == '<') {
    size_t close = content.find('>', start + 1);
    pos = close == std::string_view::npos ? n : close + 1;
  } else {
    pos = start + 1;
    while (pos < n && !EndsPlainToken(content[pos])) ++pos;
  }
  return content.substr(start, pos - start);
}

bool IsContentNumber(std::string_view token) {
  if (!token.empty() && token.front() == '-') token.remove_prefix(1);
  bool digit = false;
  bool point = false;
  for (char c : token) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

}  // namespace ostrel
