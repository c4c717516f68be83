#include "cli/batch_marker.h"

#include <nettle/sha2.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

namespace drevlin {

namespace fs = std::filesystem;

std::string DoneMarkerPath(const std::string& output) {
  fs::path path(output);
  return (path.parent_path() / ("." + path.filename().string() + ".drevlin-done")).string();
}

std::string FileSha256(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  sha256_ctx context;
  sha256_init(&context);
  std::vector<char> buffer(1 << 16);
  while (in) {
    in.read(buffer.data(), std::streamsize(buffer.size()));
    sha256_update(&context, size_t(in.gcount()), reinterpret_cast<const uint8_t*>(buffer.data()));
  }
  if (in.bad()) return {};
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&context, sizeof digest, digest);
  std::string hex;
  char pair[3];
  for (uint8_t byte : digest) {
    std::snprintf(pair, sizeof pair, "%02x", byte);
    hex += pair;
  }
  return hex;
}

bool JobAlreadyDone(const TBatchJob& job, TOutputList& outputs) {
  std::ifstream in(DoneMarkerPath(job.Output));
  if (!in) return false;
  nlohmann::json marker = nlohmann::json::parse(in, nullptr, false);
  if (marker.is_discarded() || !marker.is_object()) return false;
  const auto& inputs = marker["inputs"];
  const auto& written = marker["outputs"];
  if (!inputs.is_array() || !written.is_array() || inputs.size() != job.Inputs.size()) return false;
  for (size_t i = 0; i < job.Inputs.size(); ++i) {
    if (!inputs[i].is_object() || inputs[i].value("path", "") != job.Inputs[i]) return false;
    if (inputs[i].value("sha256", "") != FileSha256(job.Inputs[i])) return false;
  }
  TOutputList found;
  for (const auto& item : written) {
    if (!item.is_object()) return false;
    auto pathItem = item.find("path"), sizeItem = item.find("size");
    if (pathItem == item.end() || sizeItem == item.end() || !pathItem->is_string() ||
        !sizeItem->is_number_unsigned())
      return false;
    std::string path = pathItem->get<std::string>();
    uint64_t size = sizeItem->get<uint64_t>();
    std::error_code ec;
    if (fs::file_size(path, ec) != size || ec) return false;
    found.emplace_back(path, size);
  }
  outputs = std::move(found);
  return true;
}

bool WriteDoneMarker(const TBatchJob& job, const TOutputList& outputs) {
  nlohmann::json marker;
  marker["command"] = job.Command;
  marker["inputs"] = nlohmann::json::array();
  for (const auto& input : job.Inputs) marker["inputs"].push_back({{"path", input}, {"sha256", FileSha256(input)}});
  marker["outputs"] = nlohmann::json::array();
  for (const auto& [path, size] : outputs) marker["outputs"].push_back({{"path", path}, {"size", size}});
  std::string path = DoneMarkerPath(job.Output);
  std::string temporary = path + ".part-" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << marker.dump() << '\n';
    if (!out.flush()) return false;
  }
  std::error_code ec;
  fs::rename(temporary, path, ec);
  if (!ec) return true;
  fs::remove(temporary, ec);
  return false;
}

}  // namespace drevlin
