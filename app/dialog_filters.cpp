#include "app/dialog_filters.h"

#include <vector>

namespace drevlin {

namespace {

std::vector<std::string> SplitBars(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t bar = text.find('|', start);
    parts.push_back(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) return parts;
    start = bar + 1;
  }
}

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// "*.jpg; *.jpeg" -> "*.jpg *.jpeg".
std::string PatternsOf(const std::string& list) {
  std::string out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t semi = list.find(';', start);
    std::string pattern = Trimmed(list.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
    if (pattern == "*.*") pattern = "*";
    if (!pattern.empty()) out += (out.empty() ? "" : " ") + pattern;
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  return out.empty() ? "*" : out;
}

// The description without a trailing "(...)": the dialog shows the patterns
// itself and reads them from the last parenthesis.
std::string DescriptionOf(const std::string& text) {
  std::string d = Trimmed(text);
  if (!d.empty() && d.back() == ')') {
    size_t open = d.rfind('(');
    if (open != std::string::npos) d = Trimmed(d.substr(0, open));
  }
  return d;
}

}  // namespace

std::string DialogFilterOf(const std::string& barFilter) {
  std::vector<std::string> parts = SplitBars(barFilter);
  std::string out;
  for (size_t i = 0; i < parts.size(); i += 2) {
    std::string patterns = PatternsOf(i + 1 < parts.size() ? parts[i + 1] : std::string());
    std::string description = DescriptionOf(parts[i]);
    out += (out.empty() ? "" : ";;") + (description.empty() ? patterns : description) + " (" + patterns + ")";
  }
  return out;
}

}  // namespace drevlin
