#pragma once
// Whole-file reading and writing by UTF-8 path.
#include <optional>
#include <string>

namespace ostrel {

// The whole file as bytes, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes the bytes to path through a temporary file in the same folder that is
// renamed over the target only when every byte was written, so a failed write
// never leaves a half-written file behind. Returns false on any failure.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

bool FileExists(const std::string& path);

// True when both paths name the same existing file (hard links included).
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace ostrel
