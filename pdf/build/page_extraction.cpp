#include "pdf/build/page_extraction.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "pdf/build/mapped_file.h"
#include "pdf/build/page_range.h"
#include "pdf/build/smart_pdf_document.h"
#include "pdf/build/smart_pdf_reader.h"
#include "pdf/build/smart_pdf_writer.h"
#include "pdf/core/security_handler.h"
#include "platform/file_io.h"

namespace ostrel {
namespace {

// A file beside the output that becomes the output only when complete.
class TTemporaryOutput {
 public:
  explicit TTemporaryOutput(const std::string& target) : target_(target) {
    std::string pattern = target + ".XXXXXX";
    fd_ = mkstemp(pattern.data());
    if (fd_ >= 0) path_ = pattern;
  }
  ~TTemporaryOutput() {
    if (fd_ >= 0) close(fd_);
    if (!path_.empty()) std::remove(path_.c_str());
  }
  bool IsOpen() const { return fd_ >= 0; }

  bool Commit(const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
      const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0) return false;
      done += static_cast<size_t>(n);
    }
    // Readable by others like any file the user creates (mkstemp made it 0600).
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, 0666 & ~mask);
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 || std::rename(path_.c_str(), target_.c_str()) != 0) return false;
    path_.clear();
    return true;
  }

 private:
  std::string target_;
  std::string path_;
  int fd_ = -1;
};

// The new file's version: the source's when it is above 1.4, so that a
// reader still expects the features the copied objects use.
std::string VersionToWrite(const std::string& source) {
  double value = 0;
  auto [end, ec] = std::from_chars(source.data(), source.data() + source.size(), value);
  return ec == std::errc() && end == source.data() + source.size() && value > 1.4 && value < 10 ? source : "1.4";
}

// Reads the source's security dictionary and tries the empty password. True
// when the file can be copied: objects outside object streams go over as
// stored, but members of object streams need the file key.
bool PrepareSecurity(TSmartPDFReader& reader, TPDFSecurityHandler& security) {
  const TPDFDictionary* trailer = reader.Trailers().front();
  std::string firstId;
  if (const auto* ids = PdfCast<TPDFArray>(trailer ? trailer->GetValue("ID", true) : nullptr)) {
    if (const auto* first = PdfCast<TPDFString>(ids->ItemResolved(0))) firstId = first->Value;
  }
  const TPDFIndRef* ref = reader.TrailerRef("Encrypt");
  security.ReadSecurityDictionary(PdfCast<TPDFDictionary>(reader.TrailerDictionary("Encrypt")),
                                  ref ? ref->RefNumber : 0, firstId);
  security.TryPassword(u"");
  if (!security.CanDecrypt()) return !reader.HasCompressedObjects;
  reader.DecryptStreamHook = [&security](TPDFStream* stream, int32_t number, int32_t generation) {
    security.DecryptObject(security.ObjectKey(number, generation), stream);
  };
  return true;
}

int Fail(int32_t& errorCode, int32_t code) {
  errorCode = code;
  return 0;
}

// Removes an existing output; false when something is there that cannot go.
bool ClearOutput(const std::string& output) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(output, ec);
  if (ec || !std::filesystem::exists(status)) return !ec || ec == std::errc::no_such_file_or_directory;
  if (std::filesystem::is_directory(status)) return false;
  return std::filesystem::remove(output, ec) && !ec;
}

}  // namespace

int ExtractPagesToBytes(std::string_view source, std::string_view rangeList, std::string& output, int32_t& errorCode) {
  errorCode = kErrNone;
  TSmartPDFReader reader(source);
  if (reader.ReaderState != TSmartPDFReader::kReady) return Fail(errorCode, kErrUnreadableFile);
  TPDFSecurityHandler security;
  if (reader.Encrypted && !PrepareSecurity(reader, security)) return Fail(errorCode, kErrUnreadableFile);
  const bool recrypt = reader.Encrypted && security.CanDecrypt();

  TSmartPDFDocument document(reader, reader.Encrypted ? &security : nullptr);
  const std::vector<int> pages = ParsePageRange(rangeList, 1, document.SourcePageCount(), kRangeKeepDuplicates);
  if (pages.empty() || document.SelectPages(pages) == 0) return Fail(errorCode, kErrNoPagesInRange);

  TSmartPDFWriter writer;
  writer.WriteHeader(VersionToWrite(reader.Version));
  document.CollectAll([&](int32_t number, int32_t generation, TPDFObject* value) {
    // Members of object streams and new objects hold their strings plain;
    // as objects of their own in an encrypted file they need their key.
    const TSmartEntry* entry = reader.Entry(number);
    if (recrypt && value && !(entry && entry->Type == 'n')) {
      security.EncryptObject(security.ObjectKey(number, generation), value);
    }
    writer.WriteObject(number, generation, value);
  });
  writer.WriteXrefAndTrailer(reader.PrepareTrailer());
  output = std::move(writer.Bytes());
  return 1;
}

int ExtractPagesToFileImpl(const std::string& input, const std::string& output, std::string_view rangeList,
                           int32_t& errorCode) {
  errorCode = kErrNone;
  TMappedFile source;
  if (!source.Open(input)) return Fail(errorCode, kErrCannotOpen);
  // Nothing locks the input here: writing over it would destroy the very
  // file being read.
  if (IsSameFile(input, output)) return Fail(errorCode, kErrCannotReplaceOutput);
  if (!ClearOutput(output)) return Fail(errorCode, kErrCannotReplaceOutput);
  TTemporaryOutput temp(output);
  if (!temp.IsOpen()) return Fail(errorCode, kErrCannotWriteOutput);
  try {
    std::string bytes;
    if (!ExtractPagesToBytes(source.Bytes(), rangeList, bytes, errorCode)) return 0;
    if (!temp.Commit(bytes)) return Fail(errorCode, kErrCannotWriteOutput);
    return 1;
  } catch (...) {
    // Out of memory on a hostile file, most likely; the output is not made.
    return Fail(errorCode, kErrCannotWriteOutput);
  }
}

}  // namespace ostrel
