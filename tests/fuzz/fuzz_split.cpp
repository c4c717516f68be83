// Page extraction from arbitrary bytes: cross-reference chains, object
// streams, page trees and reference graphs of any shape must end, stay in
// bounds and stay within memory.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/split/page_extraction.h"
#include "pdf/split/page_text_source.h"
#include "pdf/split/smart_pdf_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string out;
  int32_t code = 0;
  ostrel::ExtractPagesToBytes(bytes, "1,3-2,1", out, code);

  // The page-text path's lookup over the same bytes.
  ostrel::TSmartPDFReader reader(bytes);
  if (reader.ReaderState == ostrel::TSmartPDFReader::kReady) {
    ostrel::TSmartPDFDocument document(reader);
    for (int n = 1; n <= 3; ++n) {
      if (ostrel::TPDFIndRef* ref = document.NextPageRef(n)) {
        ostrel::TPDFDictionary* page = document.PageDictionary(ref);
        document.PageContents(page);
        document.InheritedValue(page, "Resources");
      }
    }
  }
  return 0;
}
