#include "cli/commands.h"

#include <unistd.h>

#include <cstdio>
#include <map>

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

// The image format: -f, else the extension of -o, else PNG.
TImageFormat ImageFormatOf(const TCliOptions& options) {
  if (auto format = ImageFormatNamed(options.Format)) return *format;
  std::string name = FileNamePart(options.Output);
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) {
    if (auto format = ImageFormatNamed(name.substr(dot + 1))) return *format;
  }
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
  const TCommand& command = kCommands.at(options.Command);
  bool named = !options.Output.empty();
  std::string output = named ? ResolveOutput(options, options.Output) : "";
  std::string dir = options.OutputDir.empty() ? "./" : options.OutputDir;
  if (dir.back() != '/') dir += '/';
  std::string input = FileNamePart(options.Inputs.front());
  switch (request.Mode) {
    case kModePdfToImages:
      return ReplaceExtension(named ? output : dir + input, request.Format.Extension);
    case kModePdfToText:
      return named ? output : dir + StripExtension(input) + ".txt";
    case kModeSplitPdf:
      return named ? output : dir + input;
    default:
      return named ? output : dir + command.DefaultName;
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
  request.Jobs = options.Jobs;

  bool progress = options.Progress.value_or(isatty(STDERR_FILENO) == 1);
  TCliHost host(options.Quiet, progress);
  TConverter converter(host);

  for (const std::string& input : options.Inputs) {
    if (!ostrel::FileExists(input)) {
      std::fprintf(stderr, "drevlin-convert: cannot open %s: no such file\n", input.c_str());
      if (command != "images-to-pdf") return 1;
    }
  }

  TStepResult loaded = converter.Load(request);
  if (command == "images-to-pdf" && loaded.Skipped == static_cast<int>(options.Inputs.size())) {
    std::fprintf(stderr, "drevlin-convert: no image could be read; nothing written\n");
    return 1;
  }
  if (command != "images-to-pdf" && !loaded.Ok) return 1;
  if (command == "info") return PrintInfo(converter.Pdf());

  if (!options.Pages.empty()) {
    auto pages = ostrel::ParsePageList(options.Pages, converter.Pdf().PageCount());
    if (!pages) {
      std::fprintf(stderr, "drevlin-convert: bad page list: %s\n", options.Pages.c_str());
      return 2;
    }
    if (pages->empty()) {
      std::fprintf(stderr, "drevlin-convert: the page list names no page of %s\n", options.Inputs[0].c_str());
      return 1;
    }
    request.Pages = *pages;
  }

  if (command == "copy") request.Mode = kModeTextToPdf;  // saves what the facade holds
  request.Output = OutputOf(options, request);
  TStepResult written = converter.Write(request);
  if (written.NoText) return 1;
  return loaded.Ok && written.Ok && !host.Failed() ? 0 : 1;
}

}  // namespace drevlin
