#include "pdf/render/output/page_output_file.h"

#include <cstring>

#include "pdf/render/output/page_output.h"

namespace ostrel {

TPageOutputFile::TPageOutputFile(std::string path) : file_(std::move(path)) {
  if (!file_.IsOpen()) Fail(file_.Error());
}

TPageOutputFile::~TPageOutputFile() = default;

void TPageOutputFile::Fail(int error) {
  throw TPageOutputError(kPageOutputWriteError, "cannot write " + file_.Target() + ": " + std::strerror(error));
}

void TPageOutputFile::Commit(std::string_view bytes) {
  if (!file_.Commit(bytes)) Fail(file_.Error());
}

}  // namespace ostrel
