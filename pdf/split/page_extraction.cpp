#include "pdf/split/page_extraction.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "pdf/split/extraction_source.h"
#include "pdf/split/mapped_file.h"
#include "pdf/split/page_range.h"
#include "pdf/split/smart_pdf_document.h"
#include "pdf/split/smart_pdf_reader.h"
#include "pdf/split/smart_pdf_writer.h"
#include "pdf/core/security_handler.h"
#include "platform/file_io.h"
#include "platform/replacing_file.h"

namespace ostrel {
namespace {

// The new file's version: the source's when it is above 1.4, so that a
// reader still expects the features the copied objects use.
std::string VersionToWrite(const std::string& source) {
  double value = 0;
  auto [end, ec] = std::from_chars(source.data(), source.data() + source.size(), value);
  return ec == std::errc() && end == source.data() + source.size() && value > 1.4 && value < 10 ? source : "1.4";
}

int Fail(int32_t& errorCode, int32_t code) {
  errorCode = code;
  return 0;
}

// False when something is at the output that a file cannot replace. An
// existing file is left in place: the finished output is renamed over it, so
// a copy that fails keeps what the user had there.
bool OutputReplaceable(const std::string& output) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(output, ec);
  if (ec || !std::filesystem::exists(status)) return !ec || ec == std::errc::no_such_file_or_directory;
  return !std::filesystem::is_directory(status);
}

int ExtractPagesFromSource(TExtractionSource& source, std::string_view rangeList, std::string& output,
                           int32_t& errorCode) {
  errorCode = kErrNone;
  if (!source.Usable()) return Fail(errorCode, kErrUnreadableFile);
  TSmartPDFReader& reader = source.Reader();
  TSmartPDFDocument document(reader, source.Security(), &source.Memory());
  const std::vector<int> pages = ParsePageRange(rangeList, 1, document.SourcePageCount(), kRangeKeepDuplicates);
  if (pages.empty()) return Fail(errorCode, kErrNoPagesInRange);
  // Pages within the tree's own count that cannot be reached: a /Kids loop
  // or a /Count above the pages there are.
  if (document.SelectPages(pages) == 0) return Fail(errorCode, kErrDamagedPageTree);

  TSmartPDFWriter writer;
  writer.WriteHeader(VersionToWrite(reader.Version));
  document.CollectAll([&writer](int32_t number, int32_t generation, std::string_view text) {
    writer.WriteObject(number, generation, text);
  });
  writer.WriteXrefAndTrailer(reader.PrepareTrailer());
  output = std::move(writer.Bytes());
  return 1;
}

}  // namespace

int ExtractPagesToBytes(std::string_view source, std::string_view rangeList, std::string& output, int32_t& errorCode) {
  TExtractionSource parsed(source);
  return ExtractPagesFromSource(parsed, rangeList, output, errorCode);
}

namespace {

// Points a reader's warnings at the caller's log for one call: a cached
// reader outlives the call, the caller's log may not.
class TWarningRoute {
 public:
  TWarningRoute(TSmartPDFReader& reader, TWarningLog* log) : reader_(reader) { reader_.ReportWarningsTo(log); }
  ~TWarningRoute() { reader_.ReportWarningsTo(nullptr); }
  TWarningRoute(const TWarningRoute&) = delete;
  TWarningRoute& operator=(const TWarningRoute&) = delete;

 private:
  TSmartPDFReader& reader_;
};

// Bytes of parsed objects a one-pass split keeps before it starts its reader over.
constexpr size_t kHeldObjectBytes = size_t{16} << 20;

// Writes the pages of rangeList from source into output, through a temporary
// name so that a failure leaves what was at output before.
int ExtractToOneFile(TExtractionSource& source, const std::string& input, const std::string& output,
                     std::string_view rangeList, int32_t& errorCode) {
  // Nothing locks the input here: writing over it would destroy the very
  // file being read.
  if (IsSameFile(input, output)) return Fail(errorCode, kErrCannotReplaceOutput);
  if (!OutputReplaceable(output)) return Fail(errorCode, kErrCannotReplaceOutput);
  TReplacingFile temp(output);
  if (!temp.IsOpen()) return Fail(errorCode, kErrCannotWriteOutput);
  std::string bytes;
  if (!ExtractPagesFromSource(source, rangeList, bytes, errorCode)) return 0;
  if (!temp.Commit(bytes)) return Fail(errorCode, kErrCannotWriteOutput);
  return 1;
}

}  // namespace

int ExtractPagesToFileImpl(const std::string& input, const std::string& output, std::string_view rangeList,
                           int32_t& errorCode, TWarningLog* warnings) {
  errorCode = kErrNone;
  TMappedFile source;
  if (!source.Open(input)) return Fail(errorCode, kErrCannotOpen);
  try {
    // Callers that split by calling once per page on the same file: what was
    // parsed for the previous page serves this one while the bytes are the same.
    TExtractionCache::TLease lease = TExtractionCache::Acquire(source.Bytes());
    TWarningRoute route(lease.Source().Reader(), warnings);
    const int result = ExtractToOneFile(lease.Source(), input, output, rangeList, errorCode);
    lease.Done();
    return result;
  } catch (...) {
    // Out of memory on a hostile file, most likely; the output is not made.
    return Fail(errorCode, kErrCannotWriteOutput);
  }
}

size_t ExtractEachPageToFileImpl(const std::string& input, const std::vector<std::pair<int, std::string>>& pagesAndOutputs,
                                 int32_t& errorCode, TWarningLog* warnings,
                                 const std::function<bool(size_t written)>& onWritten) {
  errorCode = kErrNone;
  TMappedFile file;
  if (!file.Open(input)) return Fail(errorCode, kErrCannotOpen);
  size_t written = 0;
  try {
    auto source = std::make_unique<TExtractionSource>(file.Bytes());
    for (const auto& [page, output] : pagesAndOutputs) {
      // The reader keeps every object it parsed: once the pages so far have
      // filled it past a bound, it starts over, so memory stays near what a
      // few pages hold whatever the length of the file.
      source->Reader().ForgetCachedObjects();
      if (source->Reader().CachedObjectBytes() > kHeldObjectBytes ||
          source->Reader().Pool().Count() > TExtractionCache::kMaxPooledObjects)
        source = std::make_unique<TExtractionSource>(file.Bytes());
      TWarningRoute route(source->Reader(), warnings);
      if (!ExtractToOneFile(*source, input, output, std::to_string(page), errorCode)) return written;
      ++written;
      if (onWritten && !onWritten(written)) break;
    }
  } catch (...) {
    errorCode = kErrCannotWriteOutput;
  }
  return written;
}

}  // namespace ostrel
