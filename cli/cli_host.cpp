#include "cli/cli_host.h"

#include <cstdio>

namespace drevlin {

std::optional<TSaveChoice> TCliHost::AskSave(const TSaveRequest& request) {
  TSaveChoice choice;
  choice.Path = savePath_.empty() ? request.InitialDir + request.InitialName : savePath_;
  choice.FilterIndex = filterIndex_;
  return choice;
}

void TCliHost::ShowMessage(const std::string& text) {
  messageShown_ = true;
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
