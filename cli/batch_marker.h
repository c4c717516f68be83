#pragma once
// Done markers of batch jobs: a hidden file beside a job's output naming the
// SHA-256 of each input and the path and size of each output written.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cli/batch_jobs.h"

namespace drevlin {

using TOutputList = std::vector<std::pair<std::string, uint64_t>>;  // path and size

std::string DoneMarkerPath(const std::string& output);

// SHA-256 of a file's bytes in hex; empty when it cannot be read.
std::string FileSha256(const std::string& path);

// True when the marker records the inputs as they are now and every output
// still exists with its recorded size; outputs are then filled from the marker.
bool JobAlreadyDone(const TBatchJob& job, TOutputList& outputs);

// Writes the marker through a temporary file, so a marker is whole or absent.
bool WriteDoneMarker(const TBatchJob& job, const TOutputList& outputs);

}  // namespace drevlin
