#include "cli/batch_jobs.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

namespace drevlin {

namespace {

namespace fs = std::filesystem;

struct TCommandKind {
  const char* Name;
  std::array<const char*, 10> Extensions;  // inputs the command takes in folder mode
  const char* OutputExtension;
};

constexpr TCommandKind kCommands[] = {
    {"pdf-to-images", {".pdf"}, ".png"},
    {"pdf-to-text", {".pdf"}, ".txt"},
    {"split", {".pdf"}, ".pdf"},
    {"copy", {".pdf"}, ".pdf"},
    {"text-to-pdf", {".txt"}, ".pdf"},
    {"images-to-pdf", {".jpg", ".jpeg", ".png", ".gif", ".bmp", ".tif", ".tiff", ".jp2", ".j2k"}, ".pdf"},
};

const TCommandKind* FindCommand(const std::string& name) {
  for (const auto& kind : kCommands)
    if (name == kind.Name) return &kind;
  return nullptr;
}

// Options that name outputs belong to the batch run, not to one job.
bool IsOutputOption(const std::string& option) {
  return option == "-o" || option == "-O" || option == "--output-dir" || option.rfind("--output-dir=", 0) == 0;
}

std::string LowerExtension(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return ext;
}

std::optional<std::string> JobFromJson(const nlohmann::json& object, TBatchJob& job) {
  if (!object.is_object()) return "not a JSON object";
  auto text = [&](const char* key) -> std::optional<std::string> {
    auto it = object.find(key);
    if (it == object.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
  };
  auto command = text("command");
  if (!command || !FindCommand(*command)) return "\"command\" must name a conversion";
  job.Command = *command;
  if (auto input = text("input")) job.Inputs.push_back(*input);
  if (auto it = object.find("inputs"); it != object.end() && it->is_array())
    for (const auto& item : *it)
      if (item.is_string()) job.Inputs.push_back(item.get<std::string>());
  if (job.Inputs.empty() || std::any_of(job.Inputs.begin(), job.Inputs.end(), [](auto& s) { return s.empty(); }))
    return "\"input\" (or \"inputs\") must name the input files";
  auto output = text("output");
  if (!output || output->empty()) return "\"output\" must name the output file";
  job.Output = *output;
  if (auto it = object.find("options"); it != object.end()) {
    if (!it->is_array()) return "\"options\" must be an array of strings";
    for (const auto& item : *it) {
      if (!item.is_string()) return "\"options\" must be an array of strings";
      job.Options.push_back(item.get<std::string>());
      if (IsOutputOption(job.Options.back())) return "outputs are named by \"output\", not by options";
    }
  }
  return std::nullopt;
}

}  // namespace

TJobsRead ReadJobLines(const std::string& text) {
  TJobsRead read;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#') continue;
    TBatchJob job;
    job.Line = number;
    nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    auto error = object.is_discarded() ? std::optional<std::string>("not valid JSON") : JobFromJson(object, job);
    if (error)
      read.Errors.push_back("line " + std::to_string(number) + ": " + *error);
    else
      read.Jobs.push_back(std::move(job));
  }
  return read;
}

TJobsRead FolderJobs(const std::string& folder, const std::string& command, const std::string& outputDir,
                     const std::vector<std::string>& options) {
  TJobsRead read;
  const TCommandKind* kind = FindCommand(command);
  if (!kind) {
    read.Errors.push_back("--command must name a conversion");
    return read;
  }
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string ext = LowerExtension(it->path());
    for (const char* accepted : kind->Extensions)
      if (accepted && ext == accepted) files.push_back(it->path());
  }
  if (ec) read.Errors.push_back(folder + ": " + ec.message());
  std::sort(files.begin(), files.end());
  int index = 0;
  for (const auto& file : files) {
    TBatchJob job;
    job.Line = ++index;
    job.Command = command;
    job.Inputs = {file.string()};
    fs::path relative = file.lexically_relative(folder);
    job.Output = (fs::path(outputDir) / relative).replace_extension(kind->OutputExtension).string();
    job.Options = options;
    read.Jobs.push_back(std::move(job));
  }
  return read;
}

uint64_t JobHash(const TBatchJob& job) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : job.Inputs.front()) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::optional<TShard> ParseShard(const std::string& text) {
  size_t slash = text.find('/');
  if (slash == std::string::npos) return std::nullopt;
  TShard shard;
  auto read = [](std::string_view part, uint64_t& value) {
    auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    return error == std::errc() && end == part.data() + part.size() && !part.empty();
  };
  std::string_view whole(text);
  if (!read(whole.substr(0, slash), shard.Index) || !read(whole.substr(slash + 1), shard.Count)) return std::nullopt;
  if (shard.Count == 0 || shard.Index >= shard.Count) return std::nullopt;
  return shard;
}

bool InShard(const TBatchJob& job, const TShard& shard) { return JobHash(job) % shard.Count == shard.Index; }

}  // namespace drevlin
