#include "cli/cli_host.h"

#include <cstdio>

namespace drevlin {

void TCliHost::ShowMessage(const std::string& text) {
  if (!quiet_) std::fprintf(stderr, "drevlin-convert: %s\n", text.c_str());
}

void TCliHost::ReportFailure(const std::string& text) {
  failed_ = true;
  if (progressLineOpen_) {
    std::fputc('\n', stderr);
    progressLineOpen_ = false;
  }
  std::fprintf(stderr, "drevlin-convert: %s\n", text.c_str());
}

void TCliHost::ReportProgress(int done, int total) {
  if (!progress_ || quiet_ || total <= 1) return;
  std::fprintf(stderr, "\r%d of %d", done, total);
  progressLineOpen_ = done < total;
  if (done >= total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace drevlin
