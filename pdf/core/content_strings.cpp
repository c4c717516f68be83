#include "pdf/core/content_strings.h"

namespace ostrel {
namespace {

bool IsOctal(char c) { return c >= '0' && c <= '7'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string ContentLiteralUnescape(std::string_view withParens) {
  if (withParens.size() < 2) return {};
  std::string_view s = withParens.substr(1, withParens.size() - 2);
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (++i >= s.size()) break;  // a lone trailing backslash stands for nothing
    c = s[i];
    switch (c) {
      case 'b': out.push_back('\b'); break;
      case 't': out.push_back('\t'); break;
      case 'n': out.push_back('\n'); break;
      case 'f': out.push_back('\f'); break;
      case 'r': out.push_back('\r'); break;
      case '\r':
        if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        break;
      case '\n': break;
      default:
        if (IsOctal(c)) {
          // Octal escapes take at most three digits, and only digits 0..7:
          // "\18" is byte 1 followed by the character 8.
          int value = c - '0';
          for (int n = 1; n < 3 && i + 1 < s.size() && IsOctal(s[i + 1]); ++n)
            value = value * 8 + (s[++i] - '0');
          out.push_back(static_cast<char>(value & 0xFF));
        } else {
          out.push_back(c);  // \( \) \\ and any other byte
        }
    }
  }
  return out;
}

std::string ContentHexDecode(std::string_view text) {
  if (text.size() < 2 || text.front() != '<' || text.back() != '>') return {};
  std::string digits;
  digits.reserve(text.size());
  for (char c : text.substr(1, text.size() - 2)) {
    if (IsDigit(c)) digits.push_back(c);
    else if (IsLetter(c)) digits.push_back(static_cast<char>(c & ~0x20));
  }
  if (digits.size() % 2) digits.push_back('0');
  std::string out;
  out.reserve(digits.size() / 2);
  for (size_t i = 0; i < digits.size(); i += 2) {
    int hi = HexValue(digits[i]), lo = HexValue(digits[i + 1]);
    out.push_back(static_cast<char>(hi < 0 || lo < 0 ? 0 : hi * 16 + lo));
  }
  return out;
}

}  // namespace ostrel
