#pragma once
// A file written under a temporary name beside its target and renamed over
// the target only when every byte is written: a failed or interrupted write
// never leaves a half-written file under the final name, nor takes away a
// file that was there before.
#include <string>
#include <string_view>

namespace ostrel {

class TReplacingFile {
 public:
  // Creates the temporary file at once, so that an unwritable folder shows
  // before any work is done; IsOpen() tells.
  explicit TReplacingFile(std::string target);
  // Removes the temporary file unless Commit succeeded.
  ~TReplacingFile();
  TReplacingFile(const TReplacingFile&) = delete;
  TReplacingFile& operator=(const TReplacingFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // Appends bytes to the temporary file; false on failure, with Error() the
  // reason (an errno value).
  bool Write(std::string_view bytes);
  // Writes the bytes, closes the file and renames it to the target. False
  // on any failure, with Error() the reason.
  bool Commit(std::string_view bytes);
  int Error() const { return error_; }

  const std::string& Target() const { return target_; }
  const std::string& TemporaryPath() const { return temporary_; }

 private:
  bool Fail(int error);

  std::string target_;
  std::string temporary_;
  int fd_ = -1;
  int error_ = 0;
  bool committed_ = false;
};

}  // namespace ostrel
