#pragma once
// A PDF file seen through a direct-access reader: pages found by walking the
// page tree, a flat page tree holding only chosen pages, and the objects a
// new file needs, found by following references from the catalog.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "pdf/split/smart_document_memory.h"
#include "pdf/split/smart_pdf_reader.h"

namespace ostrel {

class TPDFSecurityHandler;

class TSmartPDFDocument {
 public:
  // security: the handler of an encrypted source whose objects are copied
  // as stored (nullptr otherwise); values moved from one object into another
  // are re-keyed through it. memory: what earlier documents over the same
  // reader learnt (nullptr: the document keeps its own).
  explicit TSmartPDFDocument(TSmartPDFReader& reader, const TPDFSecurityHandler* security = nullptr,
                             TSmartDocumentMemory* memory = nullptr);

  // /Count of the page tree root, at most the number of object entries; 1
  // when the root has none.
  int SourcePageCount();

  // The reference to page n (1-based) in the local pool, or nullptr.
  TPDFIndRef* FindPageRef(int n);
  // Page n when it directly follows the page found last, through that
  // page's parent; otherwise FindPageRef.
  TPDFIndRef* NextPageRef(int n);
  TPDFDictionary* PageDictionary(const TPDFIndRef* ref);

  // The value of key on the page or the nearest ancestor that has it.
  TPDFObject* InheritedValue(TPDFDictionary* page, std::string_view key);
  // The page's content streams decoded and joined, one line break between.
  std::string PageContents(TPDFDictionary* page);

  // Makes the catalog, a flat page tree of the given pages (in list order,
  // duplicates kept) and those pages overrides, then collects the objects to
  // write. Returns how many pages were found.
  int SelectPages(const std::vector<int>& pages);

  // Receives every object to write, in discovery order, as the text to
  // write ("null" when the object cannot be read); strings of an encrypted
  // source are keyed for the object that holds them.
  using ObjectSink = std::function<void(int32_t number, int32_t generation, std::string_view text)>;
  // Depth first from n, without recursion; objects already collected are
  // skipped. Pages other than the chosen ones are written but not followed.
  void CollectObjects(int32_t n, const ObjectSink& sink = {});
  // Collects from the catalog, the information and the security dictionary.
  void CollectAll(const ObjectSink& sink = {});

  const std::vector<int32_t>& OutputList() const { return outputList_; }
  // The object to write for n: an override, else parsed afresh into scratch.
  TPDFObject* ObjectToWrite(int32_t n, TPDFStructure& scratch);

  TPDFStructure& LocalPool() { return local_; }
  TSmartPDFReader& Reader() { return reader_; }
  TPDFDictionary* Catalog() const { return catalog_; }
  TPDFDictionary* PagesRoot() const { return root_; }

  // Deepest page tree (and /Parent chain) walked; deeper trees are damage.
  static constexpr int kMaxTreeDepth = 256;
  // Attributes a page may take from its ancestors.
  static constexpr const char* kInheritedKeys[] = {"Resources", "MediaBox", "CropBox", "Rotate"};

 private:
  void LoadRoots();
  void ReadRoots();
  TPDFDictionary* Node(const TPDFObject* member);
  void CopyInheritedAttributes(TPDFDictionary* page);
  void MoveDirectAcroForm();
  bool IsCollected(int32_t n) const;
  bool CanRecrypt() const;
  TSmartWrittenObject Render(int32_t n, TPDFObject* value) const;
  TPDFObject* CopyValue(const TPDFObject* value, int32_t from, int32_t to);

  TSmartPDFReader& reader_;
  const TPDFSecurityHandler* security_;
  std::unique_ptr<TSmartDocumentMemory> ownMemory_;
  TSmartDocumentMemory* memory_;
  TPDFStructure local_;
  TPDFIndRef* catalogRef_ = nullptr;
  TPDFDictionary* catalog_ = nullptr;
  TPDFIndRef* rootRef_ = nullptr;
  TPDFDictionary* root_ = nullptr;
  std::unordered_map<int32_t, TPDFObject*> overrides_;
  std::unordered_set<int32_t> chosenPages_;
  std::vector<int32_t> outputList_;
  std::vector<bool> collected_;
  int lastPageNumber_ = 0;
  TPDFIndRef* lastPageRef_ = nullptr;
  size_t lastKidIndex_ = 0;  // where lastPageRef_ was in its parent's /Kids, when found that way
};

}  // namespace ostrel
