#include "cli/batch_main.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "cli/batch_jobs.h"
#include "cli/batch_runner.h"

namespace drevlin {

namespace {

namespace fs = std::filesystem;

constexpr const char* kBatchUsage =
    "Usage: drevlin-convert batch JOBS.jsonl [--shard K/N] [-j JOBS]\n"
    "       drevlin-convert batch FOLDER --command COMMAND [-O OUTPUT_DIR] [--shard K/N] [-j JOBS] [OPTIONS]\n"
    "JOBS.jsonl holds one job a line: {\"command\": \"pdf-to-text\", \"input\": \"a.pdf\",\n"
    "\"output\": \"out/a.txt\", \"options\": [\"--layout\"]} (\"inputs\": [...] for images-to-pdf).\n"
    "FOLDER: every file below it that COMMAND takes, OPTIONS given to each.\n"
    "--shard K/N runs the jobs whose input path hashes to K of 0..N-1; a job whose\n"
    "outputs and done marker are in place is skipped. One JSON line per job goes to\n"
    "standard output; the exit status is 1 when any job failed.\n";

struct TBatchOptions {
  std::string Source;
  std::string Command;
  std::string OutputDir = ".";
  TShard Shard;
  int Workers = 0;
  bool Quiet = false;
  int Progress = -1;  // -1: when standard error is a terminal
  std::vector<std::string> JobOptions;
};

int Usage(const std::string& error) {
  std::fprintf(stderr, "drevlin-convert: batch: %s\n%s", error.c_str(), kBatchUsage);
  return 2;
}

std::string OwnProgram() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.string();
}

const char* StatusName(TJobOutcome::TStatus status) {
  switch (status) {
    case TJobOutcome::kDone: return "done";
    case TJobOutcome::kSkipped: return "skipped";
    case TJobOutcome::kFailed: break;
  }
  return "failed";
}

std::string OutcomeLine(const TBatchJob& job, const TJobOutcome& outcome) {
  nlohmann::json line;
  line["line"] = job.Line;
  line["command"] = job.Command;
  line["input"] = job.Inputs.size() == 1 ? nlohmann::json(job.Inputs.front()) : nlohmann::json(job.Inputs);
  line["output"] = job.Output;
  line["status"] = StatusName(outcome.Status);
  if (outcome.Status != TJobOutcome::kSkipped) {
    line["exit"] = outcome.ExitCode;
    line["seconds"] = std::round(outcome.Seconds * 1000) / 1000;
  }
  line["outputs"] = nlohmann::json::array();
  for (const auto& [path, size] : outcome.Outputs) line["outputs"].push_back({{"path", path}, {"size", size}});
  if (!outcome.Error.empty()) line["error"] = outcome.Error;
  // Paths are bytes; a name that is not UTF-8 must not stop the report.
  return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool ParseBatchOptions(const std::vector<std::string>& args, TBatchOptions& options, std::string& error) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string text;
    if (arg == "--shard") {
      if (!value(text)) return false;
      auto shard = ParseShard(text);
      if (!shard) {
        error = "--shard takes K/N with 0 <= K < N";
        return false;
      }
      options.Shard = *shard;
    } else if (arg == "-j" || arg == "--jobs") {
      if (!value(text)) return false;
      options.Workers = std::atoi(text.c_str());
      if (options.Workers < 1 || options.Workers > 1024) {
        error = "-j takes a number from 1 to 1024";
        return false;
      }
    } else if (arg == "--command") {
      if (!value(options.Command)) return false;
    } else if (arg == "-O" || arg == "--output-dir") {
      if (!value(options.OutputDir)) return false;
    } else if (arg == "-q" || arg == "--quiet") {
      options.Quiet = true;
    } else if (arg == "--progress" || arg == "--no-progress") {
      options.Progress = arg == "--progress";
    } else if (arg == "-o") {
      error = "-o names one output; batch jobs name theirs";
      return false;
    } else if (options.Source.empty() && (arg.empty() || arg[0] != '-')) {
      options.Source = arg;
    } else {
      options.JobOptions.push_back(arg);  // an option of the conversions, checked by each job
    }
  }
  if (options.Source.empty()) {
    error = "give a jobs file or a folder";
    return false;
  }
  return true;
}

}  // namespace

int RunBatch(const std::vector<std::string>& args) {
  TBatchOptions options;
  std::string error;
  if (args.size() > 1 && (args[1] == "-h" || args[1] == "--help")) {
    std::fputs(kBatchUsage, stdout);
    return 0;
  }
  if (!ParseBatchOptions(args, options, error)) return Usage(error);

  std::error_code ec;
  TJobsRead read;
  if (fs::is_directory(options.Source, ec)) {
    if (options.Command.empty()) return Usage("a folder needs --command");
    read = FolderJobs(options.Source, options.Command, options.OutputDir, options.JobOptions);
  } else {
    if (!options.Command.empty() || !options.JobOptions.empty())
      return Usage("a jobs file names each job's command and options");
    std::ifstream in(options.Source, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "drevlin-convert: %s: cannot read the jobs file\n", options.Source.c_str());
      return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    read = ReadJobLines(text.str());
  }
  for (const auto& message : read.Errors)
    std::fprintf(stderr, "drevlin-convert: %s: %s\n", options.Source.c_str(), message.c_str());

  std::vector<TBatchJob> mine;
  for (auto& job : read.Jobs)
    if (InShard(job, options.Shard)) mine.push_back(std::move(job));
  int workers = options.Workers ? options.Workers : int(std::max(1u, std::thread::hardware_concurrency()));
  bool progress = options.Progress < 0 ? ::isatty(2) && !options.Quiet : options.Progress == 1;

  size_t finished = 0, failed = 0, skipped = 0;
  RunBatchJobs(mine, OwnProgram(), workers, [&](const TBatchJob& job, const TJobOutcome& outcome) {
    ++finished;
    failed += outcome.Status == TJobOutcome::kFailed;
    skipped += outcome.Status == TJobOutcome::kSkipped;
    std::printf("%s\n", OutcomeLine(job, outcome).c_str());
    std::fflush(stdout);
    if (progress) std::fprintf(stderr, "\rjob %zu of %zu", finished, mine.size());
  });
  if (progress) std::fputc('\n', stderr);
  if (!options.Quiet)
    std::fprintf(stderr, "drevlin-convert: batch: %zu jobs in shard %llu/%llu: %zu done, %zu skipped, %zu failed\n",
                 mine.size(), (unsigned long long)options.Shard.Index, (unsigned long long)options.Shard.Count,
                 mine.size() - failed - skipped, skipped, failed);
  return failed || !read.Errors.empty() ? 1 : 0;
}

}  // namespace drevlin
