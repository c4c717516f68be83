#include "pdf/split/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

TMappedFile::~TMappedFile() {
  if (map_) munmap(map_, mapSize_);
}

bool TMappedFile::Open(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  const size_t size = static_cast<size_t>(st.st_size);
  if (size == 0) {
    close(fd);
    bytes_ = copy_;
    return true;
  }
  void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (map == MAP_FAILED) return false;
  map_ = map;
  mapSize_ = size;
  bytes_ = std::string_view(static_cast<const char*>(map), size);
  return true;
}

}  // namespace ostrel
