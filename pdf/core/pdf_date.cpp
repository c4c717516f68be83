#include "pdf/core/pdf_date.h"

#include <cstdio>
#include <cstdlib>

#include "pdf/core/number_format.h"
#include "platform/system_clock.h"

namespace ostrel {

std::string FormatPDFDate() {
  LocalTime now = CurrentLocalTime();
  const std::tm& t = now.Fields;
  std::string out = "D:" + ZeroPadded(t.tm_year + 1900, 4) + ZeroPadded(t.tm_mon + 1, 2) +
                    ZeroPadded(t.tm_mday, 2) + ZeroPadded(t.tm_hour, 2) + ZeroPadded(t.tm_min, 2) +
                    ZeroPadded(t.tm_sec, 2);
  long offset = now.OffsetSeconds;
  if (offset == 0) return out + "Z";
  out += offset > 0 ? '+' : '-';
  long minutes = std::labs(offset) / 60;
  out += ZeroPadded(minutes / 60, 2) + "'" + ZeroPadded(minutes % 60, 2) + "'";
  return out;
}

std::string NewNameTag() {
  // The GUID's 16 random bytes, then the local time as a day count since
  // 30 December 1899 with the time of day as its fraction.
  std::string seed(16, '\0');
  RandomBytes(seed.data(), seed.size());
  LocalTime now = CurrentLocalTime();
  std::tm t = now.Fields;
  t.tm_isdst = 0;
  long long days = static_cast<long long>(timegm(&t) / 86400) + 25569;
  double dayFraction =
      (t.tm_hour * 3600.0 + t.tm_min * 60.0 + t.tm_sec + now.Milliseconds / 1000.0) / 86400.0;
  char text[64];
  std::snprintf(text, sizeof text, "%.15g", static_cast<double>(days) + dayFraction);
  seed += text;
  auto digest = Md5(seed);
  return HexLower(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size())).substr(0, 8);
}

}  // namespace ostrel
