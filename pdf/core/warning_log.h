#pragma once
// Recoverable damage found while reading a file: each repair the readers make
// (an object read as null, a table found away from its offset, content that
// could not be interpreted) becomes one line of text here, and the result
// stays what it would have been without the log. Hostile files can repeat a
// fault endlessly, so only the first lines are kept, followed by a count.
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace ostrel {

class TWarningLog {
 public:
  static constexpr size_t kMaxKept = 1000;

  void Add(std::string text);
  // The warnings kept, then (past kMaxKept) one line counting the rest.
  const std::vector<std::string>& Lines() const { return lines_; }
  // Every warning added since the last Clear, kept or not.
  size_t Count() const { return count_; }
  void Clear();

 private:
  std::mutex lock_;  // one log may serve readers on several threads
  std::vector<std::string> lines_;
  size_t count_ = 0;
};

}  // namespace ostrel
