#include "pdf/render/output/page_output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "pdf/render/output/page_output.h"

namespace ostrel {

TPageOutputFile::TPageOutputFile(std::string path) : path_(std::move(path)), temporary_(path_ + ".part") {
  fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) Fail(errno);
}

TPageOutputFile::~TPageOutputFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) std::remove(temporary_.c_str());
}

void TPageOutputFile::Fail(int error) {
  throw TPageOutputError(kPageOutputWriteError, "cannot write " + path_ + ": " + std::strerror(error));
}

void TPageOutputFile::Commit(std::string_view bytes) {
  const char* at = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd_, at, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    at += n;
    left -= static_cast<size_t>(n);
  }
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Fail(errno);
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) Fail(errno);
  committed_ = true;
}

}  // namespace ostrel
