#pragma once
// Files that reach the window without its Select dialog (the program's
// command line, a drop): which conversion they suggest and which of them it
// takes.
#include <string>
#include <vector>

#include "app/conversion_request.h"

namespace drevlin {

enum class TFileKind { Pdf, Text, Image, Unknown };

// By the extension, any case; a file without a known one is recognised by
// its first bytes (a PDF header, an image signature).
TFileKind KindOfFile(const std::string& path);

struct TOpenPlan {
  TConvertMode Mode = kModeNone;   // none: the first file is of no known kind
  std::vector<std::string> Inputs;
};

// The first file decides. A PDF keeps the current mode when that reads a
// PDF, otherwise pdf to images; a text file gives text to pdf; images give
// images to pdf with every image among the files, in their order. The other
// modes take the first file alone.
TOpenPlan PlanOpenedFiles(const std::vector<std::string>& paths, int currentMode);

}  // namespace drevlin
