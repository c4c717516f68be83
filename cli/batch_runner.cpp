#include "cli/batch_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>

#include "cli/batch_marker.h"

namespace drevlin {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct TRunning {
  size_t JobIndex;
  fs::path Workspace;  // the child's private folder beside the outputs
  Clock::time_point Start;
};

std::string WorkspacePrefix(const TBatchJob& job) {
  fs::path output(job.Output);
  return "." + output.filename().string() + ".drevlin-tmp-";
}

// A run that was killed leaves its workspaces behind; they hold nothing that
// was reported as written, so the next run of the job removes them.
void RemoveStaleWorkspaces(const TBatchJob& job) {
  fs::path folder = fs::path(job.Output).parent_path();
  std::string prefix = WorkspacePrefix(job);
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder.empty() ? "." : folder, ec))
    if (entry.path().filename().string().rfind(prefix, 0) == 0) fs::remove_all(entry.path(), ec);
}

std::vector<std::string> ChildArguments(const std::string& program, const TBatchJob& job, const fs::path& workspace) {
  std::vector<std::string> args{program, job.Command};
  args.insert(args.end(), job.Inputs.begin(), job.Inputs.end());
  args.push_back("-o");
  args.push_back((workspace / fs::path(job.Output).filename()).string());
  args.insert(args.end(), job.Options.begin(), job.Options.end());
  args.push_back("-q");
  args.push_back("--no-progress");
  return args;
}

// The child's errors go to a file in its workspace, read back when it fails.
pid_t StartChild(const std::vector<std::string>& args, const fs::path& errors) {
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid != 0) return pid;
  // A child outlives a killed batch run only to write into a workspace that
  // the next run throws away; ending it with its parent saves the work.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (null >= 0) {
    ::dup2(null, 0);
    ::dup2(null, 1);
  }
  if (err >= 0) ::dup2(err, 2);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

std::string LastLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line, last;
  while (std::getline(in, line))
    if (!line.empty()) last = line;
  return last;
}

// Moves the workspace's files next to the job's output, each by one rename.
bool MoveOutputsIntoPlace(const fs::path& workspace, const fs::path& folder, TOutputList& outputs,
                          std::string& error) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(workspace, ec))
    if (entry.is_regular_file(ec) && entry.path().filename() != ".errors") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    fs::path target = folder / file.filename();
    uint64_t size = fs::file_size(file, ec);
    fs::rename(file, target, ec);
    if (ec) {
      error = "cannot move " + target.string() + " into place: " + ec.message();
      return false;
    }
    outputs.emplace_back(target.string(), size);
  }
  if (files.empty()) error = "the conversion wrote no file";
  return !files.empty();
}

TJobOutcome FinishChild(const TBatchJob& job, const TRunning& running, int status) {
  TJobOutcome outcome;
  outcome.Seconds = std::chrono::duration<double>(Clock::now() - running.Start).count();
  outcome.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (outcome.ExitCode != 0) {
    outcome.Error = LastLine(running.Workspace / ".errors");
    if (outcome.Error.empty()) outcome.Error = "the conversion ended with status " + std::to_string(outcome.ExitCode);
  } else if (MoveOutputsIntoPlace(running.Workspace, fs::path(job.Output).parent_path(), outcome.Outputs,
                                  outcome.Error)) {
    if (WriteDoneMarker(job, outcome.Outputs))
      outcome.Status = TJobOutcome::kDone;
    else
      outcome.Error = "cannot write " + DoneMarkerPath(job.Output);
  }
  std::error_code ec;
  fs::remove_all(running.Workspace, ec);
  return outcome;
}

}  // namespace

void RunBatchJobs(const std::vector<TBatchJob>& jobs, const std::string& program, int workers,
                  const TJobReport& report) {
  std::map<pid_t, TRunning> running;
  size_t next = 0;
  int serial = 0;
  while (next < jobs.size() || !running.empty()) {
    while (next < jobs.size() && int(running.size()) < std::max(workers, 1)) {
      const TBatchJob& job = jobs[next];
      size_t index = next++;
      TJobOutcome outcome;
      if (JobAlreadyDone(job, outcome.Outputs)) {
        outcome.Status = TJobOutcome::kSkipped;
        report(job, outcome);
        continue;
      }
      RemoveStaleWorkspaces(job);
      fs::path folder = fs::path(job.Output).parent_path();
      std::error_code ec;
      if (!folder.empty()) fs::create_directories(folder, ec);
      fs::path workspace = (folder.empty() ? fs::path(".") : folder) /
                           (WorkspacePrefix(job) + std::to_string(::getpid()) + "-" + std::to_string(++serial));
      if (!fs::create_directory(workspace, ec)) {
        outcome.Error = "cannot create a folder beside " + job.Output + ": " + ec.message();
        report(job, outcome);
        continue;
      }
      pid_t pid = StartChild(ChildArguments(program, job, workspace), workspace / ".errors");
      if (pid < 0) {
        outcome.Error = "cannot start the conversion";
        fs::remove_all(workspace, ec);
        report(job, outcome);
        continue;
      }
      running[pid] = {index, workspace, Clock::now()};
    }
    if (running.empty()) continue;
    int status = 0;
    pid_t pid = ::waitpid(-1, &status, 0);
    if (pid < 0 && errno != EINTR) {  // no child left to wait for: none of them can finish
      for (auto& [lost, job] : running) {
        TJobOutcome outcome;
        outcome.Error = "the conversion process was lost";
        std::error_code ec;
        fs::remove_all(job.Workspace, ec);
        report(jobs[job.JobIndex], outcome);
      }
      running.clear();
      continue;
    }
    auto it = running.find(pid);
    if (it == running.end()) continue;
    TRunning done = it->second;
    running.erase(it);
    report(jobs[done.JobIndex], FinishChild(jobs[done.JobIndex], done, status));
  }
}

}  // namespace drevlin
