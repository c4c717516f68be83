#pragma once
// The parsed state of a file that pages are extracted from: the direct-access
// reader with its cross-reference data and decoded object streams, the
// security handler, the page index and the document's roots. Splitting a
// file page by page asks for one page per call; keeping this state from one
// call to the next means the file is read and parsed once, not once a page.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "pdf/split/smart_pdf_document.h"
#include "pdf/split/smart_pdf_reader.h"
#include "pdf/core/security_handler.h"

namespace ostrel {

class TExtractionSource {
 public:
  // Opens bytes, which must outlive the source.
  explicit TExtractionSource(std::string_view bytes);
  TExtractionSource(const TExtractionSource&) = delete;
  TExtractionSource& operator=(const TExtractionSource&) = delete;

  // False when the bytes are no PDF the extraction can copy (409).
  bool Usable() const { return usable_; }
  TSmartPDFReader& Reader() { return reader_; }
  TSmartDocumentMemory& Memory() { return memory_; }
  // The security handler of an encrypted source, nullptr otherwise.
  TPDFSecurityHandler* Security() { return reader_.Encrypted ? &security_ : nullptr; }

 private:
  bool PrepareSecurity();

  TSmartPDFReader reader_;
  TPDFSecurityHandler security_;
  TSmartDocumentMemory memory_;
  bool usable_ = false;
};

// The source of the file extracted from last, kept while the next call finds
// the very same bytes. The bytes are compared in full, not by size and time
// stamp: a file rewritten in place within one tick of the file system clock
// (several milliseconds on ext4) keeps both.
class TExtractionCache {
 public:
  // Exclusive use of the cached source for one extraction.
  class TLease {
   public:
    TExtractionSource& Source() { return *source_; }
    // Call when the extraction ended normally; a lease dropped without it
    // (an exception went through) discards the source, which may be half
    // way through an update.
    void Done();
    ~TLease();
    TLease(TLease&&) = default;

   private:
    friend class TExtractionCache;
    TLease() = default;
    std::unique_lock<std::mutex> lock_;
    TExtractionSource* source_ = nullptr;
    std::unique_ptr<TExtractionSource> ownSource_;  // when the cache was busy or not wanted
    bool done_ = false;
  };

  // A source for the file whose bytes are given (only valid during the
  // call): the cached one when its bytes are equal, else a new one, kept
  // for the next call when the file is not too large.
  static TLease Acquire(std::string_view fileBytes);

  // Files above this size are parsed for each call: a copy is kept and
  // compared, which costs more than it saves on very large files.
  static constexpr size_t kMaxCachedFileBytes = size_t{64} << 20;
  // A reader's pool only grows; one that has grown past this is dropped.
  static constexpr size_t kMaxPooledObjects = 500000;
};

}  // namespace ostrel
