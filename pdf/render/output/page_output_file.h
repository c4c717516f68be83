#pragma once
// One output file written through a temporary name in the same folder and
// renamed over the final name only when every byte is on disk, so a page that
// fails never leaves a half-written image (nor destroys an older one).
#include <string>
#include <string_view>

#include "platform/replacing_file.h"

namespace ostrel {

class TPageOutputFile {
 public:
  // Creates the temporary file at once, so an unwritable folder is reported
  // before any rendering work. Throws TPageOutputError (403) on failure.
  explicit TPageOutputFile(std::string path);
  // Removes the temporary file unless Commit succeeded.
  ~TPageOutputFile();
  TPageOutputFile(const TPageOutputFile&) = delete;
  TPageOutputFile& operator=(const TPageOutputFile&) = delete;

  // Writes the bytes, closes the file and renames it to the final name.
  // Throws TPageOutputError (403) on failure.
  void Commit(std::string_view bytes);

  const std::string& Path() const { return file_.Target(); }
  const std::string& TemporaryPath() const { return file_.TemporaryPath(); }

 private:
  [[noreturn]] void Fail(int error);

  TReplacingFile file_;
};

}  // namespace ostrel
