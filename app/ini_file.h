#pragma once
// Settings and language files in the classic profile format: "[Section]"
// headers and "key=value" lines. Section and key names compare without regard
// to ASCII case, the first of two equal keys wins, surrounding quotes are
// stripped from values, and every write goes to the file at once, changing
// only the line it concerns.
#include <string>
#include <string_view>
#include <vector>

namespace drevlin {

class TIniFile {
 public:
  // Reads the file; a missing or unreadable file reads as empty.
  explicit TIniFile(std::string path);

  const std::string& Path() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& defaultValue) const;
  // Decimal (optionally signed) or "0x" hexadecimal; anything else gives the default.
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  // Replaces the key's first occurrence or adds it (and its section) at the end
  // of the section (file), then rewrites the file. False when the file cannot
  // be written or the value cannot be stored on one line; the text in memory
  // is then unchanged.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, int value);

 private:
  struct Line {
    std::string Text;     // as found in the file, without its line ending
    std::string Section;  // header line: the section name
    std::string Key;      // key line: the key name
    std::string Value;    // key line: the value, trimmed and unquoted
    bool IsHeader = false;
    bool IsKey = false;
  };
  static Line ParseLine(std::string text);
  // Index of the key line, or -1; sectionEnd receives the line after the
  // section's last key line (or -1 when the section is missing).
  int Find(std::string_view section, std::string_view key, int* sectionEnd = nullptr) const;
  std::string Serialise(const std::vector<Line>& lines) const;

  std::string path_;
  std::vector<Line> lines_;
  std::string eol_ = "\n";
};

// True when a and b are equal ignoring ASCII case.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace drevlin
