#pragma once
// The command line of drevlin-convert: one command, its inputs and options.
#include <optional>
#include <string>
#include <vector>

namespace drevlin {

struct TCliOptions {
  std::string Command;               // pdf-to-images, pdf-to-text, ...
  std::vector<std::string> Inputs;
  std::string Output;                // -o
  std::string OutputDir;             // -O
  std::string Format;                // -f (empty: from -o's extension, else png)
  int Dpi = 72;                      // -r
  std::string Pages;                 // --pages
  std::string Password;              // --password
  int Jobs = 0;                      // -j; 0: one per processor
  bool Layout = false;               // --layout: columns kept side by side
  bool Lines = false;                // --lines: one line per text line
  bool List = false;                 // --list: positioned list of text pieces
  bool Quiet = false;                // -q
  bool Verbose = false;              // -v: each warning, not only their count
  std::optional<bool> Progress;      // --progress / --no-progress; default: stderr is a terminal
  bool Help = false;
  bool Version = false;
};

struct TParseResult {
  std::optional<TCliOptions> Options;
  std::string Error;  // usage error when Options is empty
};

TParseResult ParseCommandLine(const std::vector<std::string>& args);

extern const char* const kUsageText;

}  // namespace drevlin
