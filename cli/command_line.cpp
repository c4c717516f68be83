#include "cli/command_line.h"

#include <algorithm>
#include <charconv>

namespace drevlin {

const char* const kUsageText =
    "Usage: drevlin-convert COMMAND INPUT... [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  pdf-to-images INPUT.pdf   render every page to an image file of its own\n"
    "  pdf-to-text   INPUT.pdf   extract the text of every page into one text file\n"
    "  text-to-pdf   INPUT.txt   set each line of a text file on PDF pages\n"
    "  images-to-pdf IMAGE...    one page per image (JPEG, PNG, GIF, BMP, TIFF)\n"
    "  split         INPUT.pdf   write every page to a PDF file of its own\n"
    "  info          INPUT.pdf   print the page count, version, encryption and information entries\n"
    "  copy          INPUT.pdf   load and save a PDF file (needs -o OUTPUT.pdf)\n"
    "  batch         JOBS.jsonl|FOLDER  run many conversions [--shard K/N] [-j JOBS]\n"
    "                            (drevlin-convert batch --help)\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE         the output file; pdf-to-images and split insert the page\n"
    "                            number before its extension (or in place of %p):\n"
    "                            -o out/report.png gives out/report1.png, out/report2.png, ...\n"
    "                            pdf-to-text: -o - writes the text to standard output.\n"
    "                            Default: named after the input (pdf_from_text.pdf and\n"
    "                            pdf_from_images.pdf for the building commands)\n"
    "  -O, --output-dir DIR      where outputs named without a folder go (default: the\n"
    "                            current directory)\n"
    "  -f, --format FORMAT       pdf-to-images: bmp, jpg, png, gif or tiff (default: the\n"
    "                            extension of -o, else png)\n"
    "  -r, --resolution DPI      pdf-to-images: dots per inch, 1 to 2400 (default: 72)\n"
    "  -j, --jobs N              pdf-to-images: pages rendered at once, 1 to 64 (default: the\n"
    "                            number of processors, at most the number of pages)\n"
    "  --pages LIST              pages to convert, e.g. 1-3,7,10- (default: all)\n"
    "  --password PW             the password of an encrypted input (user or owner)\n"
    "  --layout                  pdf-to-text: keep columns side by side as on the page\n"
    "  --lines                   pdf-to-text: one line per line of text on the page\n"
    "  --list                    pdf-to-text: every piece of text with its position\n"
    "                            (default layout: plain text in reading order)\n"
    "  -v, --verbose             print each warning about damage that was read around\n"
    "                            (default: only their count)\n"
    "  -q, --quiet               print nothing but errors\n"
    "  --progress, --no-progress show or hide page progress (default: when stderr is a terminal)\n"
    "  -h, --help                show this help\n"
    "  --version                 show the version\n"
    "\n"
    "Exit status: 0 success, 1 the conversion failed, 2 usage error.\n";

namespace {

constexpr const char* kCommands[] = {"pdf-to-images", "pdf-to-text", "text-to-pdf", "images-to-pdf",
                                     "split",         "info",        "copy"};

bool ReadInt(const std::string& text, int& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

TParseResult ParseCommandLine(const std::vector<std::string>& args) {
  TCliOptions options;
  auto fail = [](std::string message) { return TParseResult{std::nullopt, std::move(message)}; };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string text;
    if (arg == "-h" || arg == "--help") {
      options.Help = true;
    } else if (arg == "--version") {
      options.Version = true;
    } else if (arg == "-v" || arg == "--verbose") {
      options.Verbose = true;
    } else if (arg == "-q" || arg == "--quiet") {
      options.Quiet = true;
    } else if (arg == "--progress") {
      options.Progress = true;
    } else if (arg == "--no-progress") {
      options.Progress = false;
    } else if (arg == "--layout") {
      options.Layout = true;
    } else if (arg == "--lines") {
      options.Lines = true;
    } else if (arg == "--list") {
      options.List = true;
    } else if (arg == "-o" || arg == "--output") {
      if (!value(options.Output)) return fail("option " + arg + " needs a file name");
    } else if (arg == "-O" || arg == "--output-dir") {
      if (!value(options.OutputDir)) return fail("option " + arg + " needs a folder");
    } else if (arg == "-f" || arg == "--format") {
      if (!value(options.Format)) return fail("option " + arg + " needs a format");
      static constexpr const char* kFormats[] = {"bmp", "jpg", "jpeg", "png", "gif", "tif", "tiff"};
      if (std::find(std::begin(kFormats), std::end(kFormats), options.Format) == std::end(kFormats))
        return fail("unknown image format: " + options.Format);
    } else if (arg == "-r" || arg == "--resolution") {
      if (!value(text) || !ReadInt(text, options.Dpi) || options.Dpi < 1 || options.Dpi > 2400)
        return fail("option " + arg + " needs a resolution from 1 to 2400");
    } else if (arg == "-j" || arg == "--jobs") {
      if (!value(text) || !ReadInt(text, options.Jobs) || options.Jobs < 1 || options.Jobs > 64)
        return fail("option " + arg + " needs a job count from 1 to 64");
    } else if (arg == "--pages") {
      if (!value(options.Pages)) return fail("option --pages needs a page list");
    } else if (arg == "--password") {
      if (!value(options.Password)) return fail("option --password needs a password");
    } else if (arg.size() > 1 && arg[0] == '-') {
      return fail("unknown option: " + arg);
    } else if (options.Command.empty()) {
      if (std::find(std::begin(kCommands), std::end(kCommands), arg) == std::end(kCommands))
        return fail("unknown command: " + arg);
      options.Command = arg;
    } else {
      options.Inputs.push_back(arg);
    }
  }
  if (options.Help || options.Version) return {options, {}};
  if (options.Command.empty()) return fail("no command given");
  if (options.Inputs.empty()) return fail(options.Command + " needs an input file");
  if (options.Command != "images-to-pdf" && options.Inputs.size() > 1)
    return fail(options.Command + " takes one input file");
  if (options.Command == "copy" && options.Output.empty()) return fail("copy needs -o OUTPUT.pdf");
  if (options.Output == "-" && options.Command != "pdf-to-text")
    return fail("only pdf-to-text writes to standard output (-o -)");
  if (int{options.Layout} + int{options.Lines} + int{options.List} > 1)
    return fail("choose one of --layout, --lines and --list");
  return {options, {}};
}

}  // namespace drevlin
