#include "pdf/core/decimal_reading.h"

#include <charconv>
#include <cstdint>

namespace ostrel {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// Digits as a 64-bit integer; empty text, overflow and stray bytes give 0.
int64_t ReadInteger(std::string_view digits) {
  int64_t value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size()) return 0;
  return value;
}

}  // namespace

double ReadDecimal(std::string_view text) {
  while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);

  const bool negative = !text.empty() && text.front() == '-';
  std::string_view body = negative ? text.substr(1) : text;
  size_t point = std::string_view::npos;
  for (size_t i = 0; i < body.size(); ++i) {
    if (IsDigit(body[i])) continue;
    if (body[i] != '.' || point != std::string_view::npos) return 0;
    point = i;
  }
  if (point == std::string_view::npos) return static_cast<double>(ReadInteger(text));

  // The integer part is read without its sign, so its magnitude never
  // overflows when negated; the sign is applied to the whole value at the end.
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  const double whole = static_cast<double>(ReadInteger(body.substr(0, point)));
  const std::string_view fraction = body.substr(point + 1, 9);
  const double value = whole + static_cast<double>(ReadInteger(fraction)) / kPowersOfTen[fraction.size()];
  return negative ? -value : value;
}

}  // namespace ostrel
