#include "platform/replacing_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace ostrel {
namespace {

// Unique within the process by the counter and between processes by the
// process id; O_EXCL settles any clash with a stale file of the same name.
std::string TemporaryName(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  return target + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

TReplacingFile::TReplacingFile(std::string target) : target_(std::move(target)) {
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporary_ = TemporaryName(target_);
    // 0666 less the umask: the file the user gets is like any other they create.
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    error_ = errno;
    temporary_.clear();
  }
}

TReplacingFile::~TReplacingFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temporary_.empty()) std::remove(temporary_.c_str());
}

bool TReplacingFile::Fail(int error) {
  error_ = error;
  return false;
}

bool TReplacingFile::Write(std::string_view bytes) {
  if (fd_ < 0) return Fail(error_ ? error_ : EBADF);
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool TReplacingFile::Commit(std::string_view bytes) {
  if (!Write(bytes)) return false;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return Fail(errno);
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) return Fail(errno);
  committed_ = true;
  return true;
}

}  // namespace ostrel
