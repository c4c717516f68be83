#include "cli/commands.h"

#include <unistd.h>

#include <cstdio>
#include <map>

#include "app/conversion_controller.h"
#include "cli/cli_host.h"
#include "pdf/facade/page_list.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace drevlin {
namespace {

using ostrel::Utf16ToUtf8;

// Image format name to the save dialog's filter index.
int FilterIndexOf(const std::string& format) {
  static const std::map<std::string, int> kIndex = {{"bmp", 1}, {"jpg", 2}, {"jpeg", 2}, {"png", 3},
                                                    {"gif", 4}, {"tif", 5}, {"tiff", 5}};
  auto it = kIndex.find(format);
  return it == kIndex.end() ? 0 : it->second;
}

std::string LowerExtension(const std::string& path) {
  std::string name = FileNamePart(path);
  size_t dot = name.find_last_of('.');
  std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// Where a named output goes: -o as given, or into -O when -o names no folder.
std::string ResolveOutput(const TCliOptions& options, const std::string& name) {
  if (!options.OutputDir.empty() && DirectoryPart(name).empty()) {
    std::string dir = options.OutputDir;
    if (dir.back() != '/') dir += '/';
    return dir + name;
  }
  return name;
}

int PrintInfo(TConversionController& controller) {
  ostrel::TOstrel& pdf = controller.Pdf();
  std::printf("Pages: %d\n", pdf.PageCount());
  std::printf("PDF version: %s\n", Utf16ToUtf8(pdf.DocumentInfo(0)).c_str());
  std::string method = Utf16ToUtf8(pdf.EncryptionMethod());
  std::printf("Encrypted: %s\n", method.empty() ? "no" : method.c_str());
  std::printf("Has fonts: %s\n", pdf.DocumentHasFonts() == 1 ? "yes" : "no");
  static constexpr const char* kKeys[] = {"Title", "Author", "Subject", "Keywords",
                                          "Creator", "Producer", "CreationDate", "ModDate"};
  static constexpr int kInfoIndex[] = {2, 1, 3, 4, 5, 6, 7, 8};
  for (size_t i = 0; i < std::size(kKeys); ++i) {
    std::string value = Utf16ToUtf8(pdf.DocumentInfo(kInfoIndex[i]));
    if (!value.empty()) std::printf("%s: %s\n", kKeys[i], value.c_str());
  }
  return 0;
}

}  // namespace

int RunCommand(const TCliOptions& options, const std::string& executablePath) {
  static const std::map<std::string, int> kModes = {
      {"pdf-to-images", kModePdfToImages}, {"pdf-to-text", kModePdfToText}, {"text-to-pdf", kModeTextToPdf},
      {"images-to-pdf", kModeImagesToPdf}, {"split", kModeSplitPdf},        {"info", kModePdfToImages},
      {"copy", kModePdfToImages}};
  const std::string& command = options.Command;

  // The image format: -f, else the extension of -o, else PNG.
  int filterIndex = FilterIndexOf(options.Format);
  if (filterIndex == 0) filterIndex = FilterIndexOf(LowerExtension(options.Output));
  if (filterIndex == 0) filterIndex = 3;

  std::string savePath = options.Output.empty() ? "" : ResolveOutput(options, options.Output);
  bool progress = options.Progress.value_or(isatty(STDERR_FILENO) == 1);
  TCliHost host(savePath, filterIndex, options.Quiet, progress);
  TConversionController controller(host);
  controller.FormCreate(executablePath);
  controller.SetOutputDir(options.OutputDir.empty() ? "./" : options.OutputDir);
  controller.FormShow();
  controller.Password = options.Password;
  controller.Dpi = options.Dpi;
  controller.Jobs = options.Jobs;
  controller.TextOptions = options.Layout ? 7 : options.Lines ? 8 : options.List ? 3 : 0;
  controller.rgConvertClick(kModes.at(command));

  for (const std::string& input : options.Inputs) {
    if (!ostrel::FileExists(input)) {
      std::fprintf(stderr, "drevlin-convert: cannot open %s: no such file\n", input.c_str());
      if (command != "images-to-pdf") return 1;
    }
  }

  TStepResult selected = controller.SelectInput(options.Inputs);
  if (command == "images-to-pdf" && selected.Skipped == static_cast<int>(options.Inputs.size())) {
    std::fprintf(stderr, "drevlin-convert: no image could be read; nothing written\n");
    return 1;
  }
  if (command != "images-to-pdf" && !selected.Ok) return 1;
  if (command == "info") return PrintInfo(controller);

  if (!options.Pages.empty()) {
    auto pages = ostrel::ParsePageList(options.Pages, controller.Pdf().PageCount());
    if (!pages) {
      std::fprintf(stderr, "drevlin-convert: bad page list: %s\n", options.Pages.c_str());
      return 2;
    }
    if (pages->empty()) {
      std::fprintf(stderr, "drevlin-convert: the page list names no page of %s\n", options.Inputs[0].c_str());
      return 1;
    }
    controller.Pages = *pages;
  }

  if (command == "copy") controller.rgConvertClick(kModeTextToPdf);  // saves what the facade holds
  if (command == "pdf-to-images" && !savePath.empty()) controller.ImageOutputName = savePath;
  if (command == "pdf-to-text" && !savePath.empty()) controller.SetOutputDir(DirectoryPart(savePath));
  if (command == "pdf-to-text" && savePath.empty()) {
    host.SetSavePath(controller.OutputDir + StripExtension(FileNamePart(options.Inputs[0])) + ".txt");
  }
  if (command == "split" && savePath.empty()) {
    host.SetSavePath(controller.OutputDir + FileNamePart(options.Inputs[0]));
  }

  TStepResult converted = controller.ConvertSelected();
  if (host.MessageShown() && command == "pdf-to-text") return 1;  // "No text found!"
  return selected.Ok && converted.Ok && !host.Failed() ? 0 : 1;
}

}  // namespace drevlin
