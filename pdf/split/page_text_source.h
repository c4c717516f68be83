#pragma once
// One page of a PDF file opened for its text without loading the document:
// the page dictionary, its joined content and its (inherited) resources,
// every object decrypted as it is read.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/split/mapped_file.h"
#include "pdf/split/smart_pdf_document.h"
#include "pdf/split/smart_pdf_reader.h"
#include "pdf/core/security_handler.h"

namespace ostrel {

class TSmartPDFPageSource {
 public:
  // 0 when the file is ready; 401 it cannot be opened, 409 it is not a
  // readable PDF, 404 it is encrypted and neither the empty password nor
  // password opens it (or its encryption is not supported).
  int32_t Open(const std::string& path, std::u16string_view password);
  // The same over a private copy of the file's bytes, which the source keeps.
  int32_t OpenBytes(std::string bytes, std::u16string_view password);

  // Finds page n (the next sibling of the page loaded last is found without
  // a walk from the root); false when there is no such page.
  bool LoadPage(int n);

  // Frees the objects read for the pages before, once they pass a bound,
  // so that a long file read page by page holds about one page's objects at
  // a time. True when it did: Page, Resources and whatever else points into
  // those objects (a font cache) must be let go too.
  bool ReleaseEarlierPages();
  // The bound: object text and stream data read, and objects made of them.
  // Fonts are read again after each release, so it is not made small.
  size_t MaxHeldObjectBytes = size_t{16} << 20;
  size_t MaxHeldObjects = 200000;

  int PageCount() { return document_ ? document_->SourcePageCount() : 0; }
  TPDFDictionary* Page = nullptr;
  std::string Content;                  // decoded content streams, joined
  TPDFDictionary* Resources = nullptr;  // the page's own or inherited

  // Objects the page refers to (fonts, forms) resolve through the document.
  TSmartPDFDocument* Document() { return document_.get(); }
  // Where damage met while reading the file is reported; see TSmartPDFReader.
  void ReportWarningsTo(TWarningLog* log) {
    if (reader_) reader_->ReportWarningsTo(log);
  }

 private:
  int32_t OpenReader(std::string_view bytes, std::u16string_view password);

  TMappedFile file_;
  std::string bytes_;  // the copy OpenBytes keeps
  std::unique_ptr<TSmartPDFReader> reader_;
  TPDFSecurityHandler security_;
  std::unique_ptr<TSmartPDFDocument> document_;
};

}  // namespace ostrel
