#include "app/gui/opened_files.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <string_view>

#include "app/file_names.h"

namespace drevlin {

namespace {

std::string LowerExtension(const std::string& path) {
  std::string name = FileNamePart(path);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  std::string extension = name.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

TFileKind KindOfContent(const std::string& path) {
  // A PDF header may follow some junk; 1024 bytes is where readers stop looking.
  std::string head(1024, '\0');
  std::ifstream file(path, std::ios::binary);
  file.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(file.gcount()));
  if (head.find("%PDF-") != std::string::npos) return TFileKind::Pdf;
  static const std::string_view kImageSignatures[] = {
      "\xFF\xD8\xFF", "\x89PNG\r\n\x1A\n", "GIF87a", "GIF89a", "BM", {"II*\0", 4}, {"MM\0*", 4}};
  for (std::string_view signature : kImageSignatures) {
    if (std::string_view(head).substr(0, signature.size()) == signature) return TFileKind::Image;
  }
  return TFileKind::Unknown;
}

}  // namespace

TFileKind KindOfFile(const std::string& path) {
  static const std::map<std::string, TFileKind> kExtensions = {
      {"pdf", TFileKind::Pdf},    {"txt", TFileKind::Text},   {"jpg", TFileKind::Image},
      {"jpeg", TFileKind::Image}, {"jpe", TFileKind::Image},  {"png", TFileKind::Image},
      {"gif", TFileKind::Image},  {"bmp", TFileKind::Image},  {"tif", TFileKind::Image},
      {"tiff", TFileKind::Image},
  };
  auto known = kExtensions.find(LowerExtension(path));
  return known != kExtensions.end() ? known->second : KindOfContent(path);
}

TOpenPlan PlanOpenedFiles(const std::vector<std::string>& paths, int currentMode) {
  TOpenPlan plan;
  if (paths.empty()) return plan;
  switch (KindOfFile(paths.front())) {
    case TFileKind::Pdf: {
      bool readsPdf = currentMode == kModePdfToImages || currentMode == kModePdfToText || currentMode == kModeSplitPdf;
      plan.Mode = readsPdf ? static_cast<TConvertMode>(currentMode) : kModePdfToImages;
      plan.Inputs = {paths.front()};
      break;
    }
    case TFileKind::Text:
      plan.Mode = kModeTextToPdf;
      plan.Inputs = {paths.front()};
      break;
    case TFileKind::Image:
      plan.Mode = kModeImagesToPdf;
      std::copy_if(paths.begin(), paths.end(), std::back_inserter(plan.Inputs),
                   [](const std::string& path) { return KindOfFile(path) == TFileKind::Image; });
      break;
    case TFileKind::Unknown:
      plan.Inputs = {paths.front()};
      break;
  }
  return plan;
}

}  // namespace drevlin
