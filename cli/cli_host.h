#pragma once
// Reports a conversion's failures and progress on stderr, each failure as
// one line "drevlin-convert: FILE: reason".
#include <string>
#include <vector>

#include "app/conversion_host.h"

namespace drevlin {

class TCliHost : public TConversionEvents {
 public:
  TCliHost(bool quiet, bool progress) : quiet_(quiet), progress_(progress) {}

  void ShowMessage(const std::string& text) override {}
  void ReportFailure(const TFailure& failure) override;
  void ReportProgress(int done, int total) override;

  // One line on stderr, ending a progress line first.
  void PrintError(const std::string& file, const std::string& reason);
  bool Failed() const { return failed_; }
  // Damage read around: with verbose each line as "FILE: warning: ...",
  // else one line counting them (none under quiet). Warnings never fail a
  // conversion.
  void PrintWarnings(const std::string& file, const std::vector<std::string>& lines, size_t count,
                     bool verbose);

 private:
  bool quiet_;
  bool progress_;
  bool failed_ = false;
  bool progressLineOpen_ = false;
};

}  // namespace drevlin
