#include "app/ini_file.h"

#include <charconv>
#include <climits>

#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace drevlin {

namespace {

std::string_view Trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool IsQuoted(std::string_view s) {
  return s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front();
}

// Settings and language files are UTF-8; older files written in the Windows
// code page are read as Windows-1252 rather than rejected.
std::string AsUtf8(std::string bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
  if (ostrel::IsValidUtf8(bytes)) return bytes;
  return ostrel::Utf16ToUtf8(ostrel::Cp1252ToUtf16(bytes));
}

// A value whose edges would be trimmed or unquoted on reading is written in
// quotes so that it reads back as written.
std::string EncodeValue(std::string_view value) {
  if (Trim(value).size() != value.size() || IsQuoted(value)) return "\"" + std::string(value) + "\"";
  return std::string(value);
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
  auto bytes = ostrel::ReadWholeFile(path_);
  if (!bytes) return;
  std::string text = AsUtf8(std::move(*bytes));
  if (text.find("\r\n") != std::string::npos) eol_ = "\r\n";
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines_.push_back(ParseLine(text.substr(start, end - start)));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
}

TIniFile::Line TIniFile::ParseLine(std::string text) {
  Line line;
  line.Text = std::move(text);
  std::string_view s = Trim(line.Text);
  if (s.empty() || s.front() == ';' || s.front() == '#') return line;
  if (s.front() == '[') {
    size_t close = s.find(']');
    line.Section = std::string(Trim(s.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
    line.IsHeader = true;
    return line;
  }
  size_t eq = s.find('=');
  if (eq == std::string_view::npos) return line;
  line.Key = std::string(Trim(s.substr(0, eq)));
  std::string_view value = Trim(s.substr(eq + 1));
  if (IsQuoted(value)) value = value.substr(1, value.size() - 2);
  line.Value = std::string(value);
  line.IsKey = !line.Key.empty();
  return line;
}

int TIniFile::Find(std::string_view section, std::string_view key, int* sectionEnd) const {
  if (sectionEnd) *sectionEnd = -1;
  bool inSection = false;
  bool seenSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.IsHeader) {
      // Only the first section of a name counts, as with the first duplicate key.
      if (inSection) break;
      inSection = !seenSection && EqualsNoCase(line.Section, section);
      if (inSection) {
        seenSection = true;
        if (sectionEnd) *sectionEnd = static_cast<int>(i) + 1;
      }
      continue;
    }
    if (!inSection || !line.IsKey) continue;
    if (sectionEnd) *sectionEnd = static_cast<int>(i) + 1;
    if (EqualsNoCase(line.Key, key)) return static_cast<int>(i);
  }
  return -1;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 const std::string& defaultValue) const {
  int i = Find(section, key);
  return i < 0 ? defaultValue : lines_[i].Value;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return Find(section, key) >= 0;
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
  int i = Find(section, key);
  if (i < 0) return defaultValue;
  std::string_view s = lines_[i].Value;
  bool negative = !s.empty() && (s.front() == '-' || s.front() == '+');
  if (negative) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  long long value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return defaultValue;
  if (negative) value = -value;
  if (value < INT_MIN || value > INT_MAX) return defaultValue;
  return static_cast<int>(value);
}

std::string TIniFile::Serialise(const std::vector<Line>& lines) const {
  std::string out;
  for (const Line& line : lines) out += line.Text + eol_;
  return out;
}

bool TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  // A line break would end the value early and could smuggle in other keys.
  if (value.find_first_of("\r\n") != std::string_view::npos ||
      key.find_first_of("\r\n=[") != std::string_view::npos || Trim(key).empty() ||
      section.find_first_of("\r\n]") != std::string_view::npos)
    return false;
  std::vector<Line> lines = lines_;
  int sectionEnd = -1;
  int found = Find(section, key, &sectionEnd);
  if (found >= 0) {
    lines[found] = ParseLine(lines[found].Key + "=" + EncodeValue(value));
  } else {
    Line entry = ParseLine(std::string(key) + "=" + EncodeValue(value));
    if (sectionEnd < 0) {
      lines.push_back(ParseLine("[" + std::string(section) + "]"));
      lines.push_back(std::move(entry));
    } else {
      lines.insert(lines.begin() + sectionEnd, std::move(entry));
    }
  }
  if (!ostrel::WriteWholeFile(path_, Serialise(lines))) return false;
  lines_ = std::move(lines);
  return true;
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

}  // namespace drevlin
