#pragma once
// Font files installed by Debian packages that the font-program tests read
// (fonts-liberation, fonts-dejavu-core, fonts-urw-base35). Tests skip when a
// file is absent.
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

namespace ostrel::testing {

inline std::optional<std::string> ReadFontFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline const std::string kLiberationSans = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
inline const std::string kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline const std::string kUrwType1Dir = "/usr/share/fonts/type1/urw-base35/";
inline const std::string kUrwOpenTypeDir = "/usr/share/fonts/opentype/urw-base35/";

// The lengths a PDF /FontFile stream would carry for a Type 1 file: the
// cleartext up to and including "eexec" and its line end, then the binary
// part up to the zeros before "cleartomark".
struct TType1Lengths {
  int64_t Length1 = 0, Length2 = 0, Length3 = 0;
};

inline TType1Lengths SplitType1File(const std::string& data) {
  TType1Lengths l;
  size_t eexec = data.find("eexec");
  if (eexec == std::string::npos) return l;
  size_t start = eexec + 5;
  while (start < data.size() && (data[start] == '\r' || data[start] == '\n' || data[start] == ' ')) ++start;
  size_t mark = data.rfind("cleartomark");
  if (mark == std::string::npos || mark < start) return l;
  size_t end = mark;
  int zeros = 0;
  while (end > start && (data[end - 1] == '0' || data[end - 1] == '\n' || data[end - 1] == '\r')) {
    zeros += data[end - 1] == '0';
    --end;
  }
  l.Length1 = int64_t(start);
  l.Length2 = int64_t(end - start);
  l.Length3 = int64_t(data.size() - end);
  return l;
}

// Glyph name to advance width from an AFM file.
inline std::map<std::string, int> ReadAfmWidths(const std::string& path) {
  std::map<std::string, int> widths;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.starts_with("C ")) continue;
    size_t wx = line.find("WX "), n = line.find(" N ");
    if (wx == std::string::npos || n == std::string::npos) continue;
    int width = std::stoi(line.substr(wx + 3));
    std::string name = line.substr(n + 3);
    name = name.substr(0, name.find(' '));
    widths[name] = width;
  }
  return widths;
}

}  // namespace ostrel::testing
