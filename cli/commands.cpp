#include "cli/commands.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <thread>

#include "app/converter.h"
#include "app/file_names.h"
#include "cli/cli_host.h"
#include "pdf/facade/page_list.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace drevlin {
namespace {

using ostrel::Utf16ToUtf8;

struct TCommand {
  TConvertMode Mode;         // how the input is read
  const char* DefaultName;   // output name without -o; null: named after the input
};

const std::map<std::string, TCommand> kCommands = {
    {"pdf-to-images", {kModePdfToImages, nullptr}}, {"pdf-to-text", {kModePdfToText, nullptr}},
    {"text-to-pdf", {kModeTextToPdf, "pdf_from_text.pdf"}}, {"images-to-pdf", {kModeImagesToPdf, "pdf_from_images.pdf"}},
    {"split", {kModeSplitPdf, nullptr}},           {"info", {kModePdfToImages, nullptr}},
    {"copy", {kModePdfToImages, nullptr}}};

std::string ExtensionOf(const std::string& path) {
  std::string name = FileNamePart(path);
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? "" : name.substr(dot + 1);
}

// The image format: -f, else the extension of -o, else PNG.
TImageFormat ImageFormatOf(const TCliOptions& options) {
  if (auto format = ImageFormatNamed(options.Format)) return *format;
  if (auto format = ImageFormatNamed(ExtensionOf(options.Output))) return *format;
  return *ImageFormatNamed("png");
}

TTextLayout TextLayoutOf(const TCliOptions& options) {
  return options.Layout ? TTextLayout::Layout : options.Lines ? TTextLayout::Lines
                        : options.List  ? TTextLayout::List
                                        : TTextLayout::Plain;
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

// The output of a command: -o, else named after the input (or the fixed name
// of the building commands) in -O or the current folder.
std::string OutputOf(const TCliOptions& options, const TConversionRequest& request) {
  if (options.Output == kStandardOutput) return kStandardOutput;
  const TCommand& command = kCommands.at(options.Command);
  bool named = !options.Output.empty();
  std::string output = named ? ResolveOutput(options, options.Output) : "";
  std::string dir = options.OutputDir.empty() ? "./" : options.OutputDir;
  if (dir.back() != '/') dir += '/';
  std::string input = FileNamePart(options.Inputs.front());
  switch (request.Mode) {
    case kModePdfToImages: {
      // An extension the user typed for the chosen format stays (.jpeg, .tif).
      auto typed = ImageFormatNamed(ExtensionOf(output));
      if (named && typed && typed->Format == request.Format.Format) return output;
      return ReplaceExtension(named ? output : dir + input, request.Format.Extension);
    }
    case kModePdfToText:
      return named ? output : dir + StripExtension(input) + ".txt";
    case kModeSplitPdf:
      return named ? output : dir + input;
    default:
      return named ? output : dir + command.DefaultName;
  }
}

// The closing line: "wrote out/a.txt", "wrote 3 pages to out/a1.png ... out/a3.png".
void PrintWritten(const std::vector<std::string>& files, size_t written, const char* unit) {
  if (written == 0 || files.empty()) return;
  if (files.size() == 1) {
    std::printf("wrote %s\n", files.front().c_str());
  } else if (written == 1) {
    std::printf("wrote 1 %s to %s\n", unit, files.front().c_str());
  } else {
    std::printf("wrote %zu %ss to %s ... %s\n", written, unit, files.front().c_str(), files[written - 1].c_str());
  }
}

int PrintInfo(ostrel::TOstrel& pdf) {
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

int RunCommand(const TCliOptions& options, const std::string& /*executablePath*/) {
  const std::string& command = options.Command;
  TConversionRequest request;
  request.Mode = kCommands.at(command).Mode;
  request.Inputs = options.Inputs;
  request.Format = ImageFormatOf(options);
  request.Dpi = options.Dpi;
  request.TextLayout = TextLayoutOf(options);
  request.Password = options.Password;
  request.Jobs = options.Jobs > 0 ? options.Jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

  bool progress = options.Progress.value_or(isatty(STDERR_FILENO) == 1);
  TCliHost host(options.Quiet, progress);
  TConverter converter(host);

  for (const std::string& input : options.Inputs) {
    if (!ostrel::FileExists(input)) {
      host.PrintError(input, "no such file");
      if (command != "images-to-pdf") return 1;
    }
  }

  TStepResult loaded = converter.Load(request);
  if (command == "images-to-pdf" && loaded.Skipped == static_cast<int>(options.Inputs.size())) {
    host.PrintError("", "no image could be read; nothing written");
    return 1;
  }
  if (command != "images-to-pdf" && !loaded.Ok) return 1;
  if (command == "info") {
    int status = PrintInfo(converter.Pdf());
    host.PrintWarnings(options.Inputs[0], converter.Warnings(), converter.WarningCount(), options.Verbose);
    return status;
  }

  if (!options.Pages.empty()) {
    auto pages = ostrel::ParsePageList(options.Pages, converter.Pdf().PageCount());
    if (!pages) {
      host.PrintError("", "bad page list: " + options.Pages);
      return 2;
    }
    if (pages->empty()) {
      host.PrintError(options.Inputs[0], "the page list " + options.Pages + " names no page of the document");
      return 1;
    }
    request.Pages = *pages;
  }

  if (command == "copy") request.Mode = kModeTextToPdf;  // saves what the facade holds
  request.Output = OutputOf(options, request);
  TStepResult written = converter.Write(request);
  if (written.NoText) {
    host.PrintError(options.Inputs[0], "No text found! (the document has no fonts)");
    return 1;
  }
  if (!options.Quiet && request.Output != kStandardOutput) {
    PrintWritten(converter.OutputFiles(request), static_cast<size_t>(written.Written),
                 request.Mode == kModePdfToImages ? "page" : "file");
  }
  int status = loaded.Ok && written.Ok && !host.Failed() ? 0 : 1;
  // A failed conversion keeps to its one error line unless asked for more.
  if (status == 0 || options.Verbose) {
    host.PrintWarnings(options.Inputs[0], converter.Warnings(), converter.WarningCount(), options.Verbose);
  }
  return status;
}

}  // namespace drevlin
