#pragma once
// Reports a conversion's messages and progress on stderr.
#include <string>

#include "app/conversion_host.h"

namespace drevlin {

class TCliHost : public TConversionEvents {
 public:
  TCliHost(bool quiet, bool progress) : quiet_(quiet), progress_(progress) {}

  void ShowMessage(const std::string& text) override;
  void ReportFailure(const std::string& text) override;
  void ReportProgress(int done, int total) override;

  bool Failed() const { return failed_; }

 private:
  bool quiet_;
  bool progress_;
  bool failed_ = false;
  bool progressLineOpen_ = false;
};

}  // namespace drevlin
