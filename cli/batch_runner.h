#pragma once
// Runs batch jobs, each as a child process of the command line itself, at
// most `workers` at a time. A child writes into a private folder beside the
// final outputs; only a finished job's files are moved into place and then a
// done marker records the input's checksum and the outputs' sizes, so a run
// that is killed midway and started again redoes exactly the unfinished jobs.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/batch_jobs.h"

namespace drevlin {

struct TJobOutcome {
  enum TStatus { kDone, kSkipped, kFailed } Status = kFailed;
  int ExitCode = 0;
  std::vector<std::pair<std::string, uint64_t>> Outputs;  // path and size
  double Seconds = 0;
  std::string Error;
};

using TJobReport = std::function<void(const TBatchJob&, const TJobOutcome&)>;

// Runs every job and reports each outcome as it ends, in the order jobs end.
// program is the command line's own executable.
void RunBatchJobs(const std::vector<TBatchJob>& jobs, const std::string& program, int workers,
                  const TJobReport& report);

}  // namespace drevlin
