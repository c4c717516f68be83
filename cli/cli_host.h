#pragma once
// Answers the controller's dialogs from the command line's options and
// reports messages and progress on stderr.
#include <string>

#include "app/conversion_host.h"

namespace drevlin {

class TCliHost : public TConversionHost {
 public:
  TCliHost(std::string savePath, int filterIndex, bool quiet, bool progress)
      : savePath_(std::move(savePath)), filterIndex_(filterIndex), quiet_(quiet), progress_(progress) {}

  std::optional<TSaveChoice> AskSave(const TSaveRequest& request) override;
  void ShowMessage(const std::string& text) override;
  void ReportFailure(const std::string& text) override;
  void ReportProgress(int done, int total) override;

  void SetSavePath(std::string path) { savePath_ = std::move(path); }
  bool Failed() const { return failed_; }
  bool MessageShown() const { return messageShown_; }

 private:
  std::string savePath_;
  int filterIndex_;
  bool quiet_;
  bool progress_;
  bool failed_ = false;
  bool messageShown_ = false;
  bool progressLineOpen_ = false;
};

}  // namespace drevlin
