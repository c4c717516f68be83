#pragma once
// Read-only view of a whole file. Splitting reads the same input once per
// output file, so the bytes are mapped rather than copied.
#include <string>
#include <string_view>

namespace ostrel {

class TMappedFile {
 public:
  TMappedFile() = default;
  ~TMappedFile();
  TMappedFile(const TMappedFile&) = delete;
  TMappedFile& operator=(const TMappedFile&) = delete;

  // False when the path is not a regular file that can be read.
  bool Open(const std::string& path);
  std::string_view Bytes() const { return bytes_; }

 private:
  void* map_ = nullptr;
  size_t mapSize_ = 0;
  std::string copy_;  // used when mapping is impossible (empty files)
  std::string_view bytes_;
};

}  // namespace ostrel
