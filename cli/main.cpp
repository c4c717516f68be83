// drevlin-convert: the converter's five conversions, plus info and copy,
// from the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "app/converter.h"
#include "cli/batch_main.h"
#include "cli/command_line.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // A batch runs the other commands as child processes of this program.
  if (!args.empty() && args[0] == "batch") return drevlin::RunBatch(args);
  drevlin::TParseResult parsed = drevlin::ParseCommandLine(args);
  if (!parsed.Options) {
    std::fprintf(stderr, "drevlin-convert: %s\nTry 'drevlin-convert --help'.\n", parsed.Error.c_str());
    return 2;
  }
  const drevlin::TCliOptions& options = *parsed.Options;
  if (options.Help) {
    std::fputs(drevlin::kUsageText, stdout);
    return 0;
  }
  if (options.Version) {
    std::printf("drevlin-convert: %s %s\n", drevlin::kProductName, drevlin::kProductVersion);
    return 0;
  }
  try {
    return drevlin::RunCommand(options, argv[0]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "drevlin-convert: %s\n", error.what());
    return 1;
  }
}
