#include "pdf/core/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace ostrel {

void AppendFixedNumber(std::string& out, double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  decimals = std::clamp(decimals, 0, 17);
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (res.ec != std::errc()) {
    out += '0';
    return;
  }
  char* end = res.ptr;
  if (decimals > 0) {
    while (end > buf && end[-1] == '0') --end;
    if (end > buf && end[-1] == '.') --end;
  }
  std::string_view text(buf, static_cast<size_t>(end - buf));
  if (text == "-0") text = "0";
  out.append(text);
}

void AppendPdfNumber(std::string& out, double value, int decimals) {
  // Values below 1 keep six significant digits: small factors read from a
  // file (a Type 3 font matrix of 0.00048828, say) would otherwise be saved
  // as 0.0005 and change the page.
  double magnitude = std::isfinite(value) ? std::fabs(value) : 0;
  if (magnitude > 0 && magnitude < 1) {
    int wanted = 5 - static_cast<int>(std::floor(std::log10(magnitude)));
    decimals = std::max(decimals, wanted);
  }
  AppendFixedNumber(out, value, decimals);
}

std::string FormatPdfNumber(double value, int decimals) {
  std::string out;
  AppendPdfNumber(out, value, decimals);
  return out;
}

std::string ZeroPadded(long long value, int width) {
  if (value < 0) return std::string(static_cast<size_t>(std::max(width, 0)), '0');
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  return digits;
}

}  // namespace ostrel
