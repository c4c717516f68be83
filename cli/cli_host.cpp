#include "cli/cli_host.h"

#include <cstdio>

namespace drevlin {

void TCliHost::PrintError(const std::string& file, const std::string& reason) {
  if (progressLineOpen_) {
    std::fputc('\n', stderr);
    progressLineOpen_ = false;
  }
  std::string line = file.empty() ? reason : file + ": " + reason;
  std::fprintf(stderr, "drevlin-convert: %s\n", line.c_str());
}

void TCliHost::ReportFailure(const TFailure& failure) {
  failed_ = true;
  if (failure.Kind == TFailureKind::NeedsPassword) {
    PrintError(failure.File, "the file is encrypted: give its password with --password");
    return;
  }
  // DescribeFailure says "FILE: reason" already.
  PrintError("", DescribeFailure(failure));
}

void TCliHost::PrintWarnings(const std::string& file, const std::vector<std::string>& lines, size_t count,
                             bool verbose) {
  if (count == 0) return;
  if (verbose) {
    for (const std::string& line : lines) PrintError(file, "warning: " + line);
    return;
  }
  if (quiet_) return;
  PrintError(file, std::to_string(count) + (count == 1 ? " warning" : " warnings") +
                       " about damage that was read around (-v shows them)");
}

void TCliHost::ReportProgress(int done, int total) {
  if (!progress_ || quiet_ || total <= 1) return;
  std::fprintf(stderr, "\r%d of %d", done, total);
  progressLineOpen_ = done < total;
  if (done >= total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace drevlin
