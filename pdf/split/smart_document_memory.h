#pragma once
// What a document over a direct-access reader learns of the file that the
// next document over the same reader can use: the page index, the catalog
// and page tree root as the file has them (each document edits copies), and
// the text written for each object that no document changes.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "pdf/split/smart_page_index.h"
#include "pdf/split/smart_pdf_reader.h"
#include "pdf/core/pdf_structure.h"

namespace ostrel {

// An object as written into a new file, with what the collection of
// objects needs to know of it.
struct TSmartWrittenObject {
  std::string Text;
  std::vector<int32_t> References;  // in the order they appear in Text
  bool IsPage = false;              // a /Type /Page dictionary
};

struct TSmartDocumentMemory {
  explicit TSmartDocumentMemory(TSmartPDFReader& reader) : PageIndex(reader) { reader.InstallResolver(Pool); }

  // The written form of n as the file has it, or nullptr when not known.
  const TSmartWrittenObject* Written(int32_t n) const {
    auto it = written_.find(n);
    return it == written_.end() ? nullptr : &it->second;
  }
  // Takes object over, unless the texts held would pass the bound (object
  // is then left as it was, and the answer is nullptr).
  const TSmartWrittenObject* Remember(int32_t n, TSmartWrittenObject&& object) {
    if (writtenBytes_ + object.Text.size() > kMaxWrittenBytes) return nullptr;
    writtenBytes_ += object.Text.size();
    return &written_.insert_or_assign(n, std::move(object)).first->second;
  }
  static constexpr size_t kMaxWrittenBytes = size_t{128} << 20;

  TSmartPageIndex PageIndex;
  TPDFStructure Pool;
  bool RootsRead = false;
  TPDFIndRef* CatalogRef = nullptr;
  TPDFDictionary* Catalog = nullptr;
  TPDFIndRef* RootRef = nullptr;
  TPDFDictionary* Root = nullptr;

 private:
  std::unordered_map<int32_t, TSmartWrittenObject> written_;
  size_t writtenBytes_ = 0;
};

}  // namespace ostrel
