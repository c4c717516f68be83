#pragma once
// The jobs of a batch run: read from a file of JSON lines or made from the
// files of a folder, and split into shards by a stable hash of the input path.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drevlin {

struct TBatchJob {
  int Line = 0;                      // 1-based line of the jobs file (or index in the folder)
  std::string Command;               // pdf-to-text, pdf-to-images, ...
  std::vector<std::string> Inputs;   // one, or several for images-to-pdf
  std::string Output;                // the -o of the conversion
  std::vector<std::string> Options;  // further options, passed through as given
};

struct TJobsRead {
  std::vector<TBatchJob> Jobs;
  std::vector<std::string> Errors;   // one per line that is not a valid job ("line 3: ...")
};

// One JSON object per line: {"command": "pdf-to-text", "input": "a.pdf" (or
// "inputs": [...]), "output": "out/a.txt", "options": ["--layout"]}. Blank
// lines and lines starting with '#' are skipped.
TJobsRead ReadJobLines(const std::string& text);

// Every file below folder (sorted, recursively) that the command takes, with
// its output below outputDir under the same relative path and the command's
// extension. Options are given to every job.
TJobsRead FolderJobs(const std::string& folder, const std::string& command, const std::string& outputDir,
                     const std::vector<std::string>& options);

// FNV-1a of the first input path as written: the same on every machine, so N
// machines given the same job list take disjoint shards without talking.
uint64_t JobHash(const TBatchJob& job);

struct TShard {
  uint64_t Index = 0;  // 0-based, as Kubernetes and Slurm number array tasks
  uint64_t Count = 1;
};
// "K/N" with 0 <= K < N.
std::optional<TShard> ParseShard(const std::string& text);
bool InShard(const TBatchJob& job, const TShard& shard);

}  // namespace drevlin
