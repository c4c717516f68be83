// Finding pages in a file read by direct access: the page count, the walk
// down the page tree by /Count, the shortcut to the next sibling, and the
// values a page inherits from its ancestors.
#include "pdf/split/smart_pdf_document.h"

#include <algorithm>
#include <map>

#include "pdf/core/decode_budget.h"
#include "pdf/split/object_copy.h"

namespace ostrel {

TSmartPDFDocument::TSmartPDFDocument(TSmartPDFReader& reader, const TPDFSecurityHandler* security,
                                     TSmartDocumentMemory* memory)
    : reader_(reader),
      security_(security),
      ownMemory_(memory ? nullptr : std::make_unique<TSmartDocumentMemory>(reader)),
      memory_(memory ? memory : ownMemory_.get()) {
  reader_.InstallResolver(local_);
  LoadRoots();
}

// The catalog and the page tree root as the file has them, parsed once per
// memory.
void TSmartPDFDocument::ReadRoots() {
  TSmartDocumentMemory& m = *memory_;
  m.RootsRead = true;
  if (TPDFIndRef* ref = reader_.TrailerRef("Root")) {
    m.CatalogRef = m.Pool.NewIndRef(ref->RefNumber, ref->RefGeneration);
    m.Catalog = PdfCast<TPDFDictionary>(reader_.GetObject(ref->RefNumber, m.Pool));
  }
  if (!m.Catalog) return;
  if (auto* ref = PdfCast<TPDFIndRef>(m.Catalog->GetValue("Pages"))) {
    m.RootRef = m.Pool.NewIndRef(ref->RefNumber, ref->RefGeneration);
    m.Root = PdfCast<TPDFDictionary>(reader_.GetObject(ref->RefNumber, m.Pool));
  }
}

// Both are changed for the new file and written from the local pool, so the
// document takes copies.
void TSmartPDFDocument::LoadRoots() {
  if (!memory_->RootsRead) ReadRoots();
  const TSmartDocumentMemory& m = *memory_;
  if (m.CatalogRef) catalogRef_ = local_.NewIndRef(m.CatalogRef->RefNumber, m.CatalogRef->RefGeneration);
  catalog_ = PdfCast<TPDFDictionary>(CopyObject(m.Catalog, local_));
  if (!catalog_) return;
  if (!m.RootRef) {
    root_ = PdfCast<TPDFDictionary>(catalog_->GetValue("Pages"));
    return;
  }
  rootRef_ = local_.NewIndRef(m.RootRef->RefNumber, m.RootRef->RefGeneration);
  if (!m.Root) return;
  // The root's /Kids (every page of a flat tree) is the one value not
  // copied: SelectPages replaces it before the root is written, and nothing
  // changes the array itself.
  root_ = local_.NewDictionary();
  root_->MarkIndirect(m.Root->ObjectNumber, m.Root->Generation);
  root_->Pairs.reserve(m.Root->Pairs.size());
  for (const auto& [key, value] : m.Root->Pairs) {
    root_->Pairs.emplace_back(local_.KeyName(key->Value), key->Value == "Kids" ? value : CopyObject(value, local_));
  }
}

int TSmartPDFDocument::SourcePageCount() {
  if (!root_) return 1;
  const auto* count = PdfCast<TPDFNumeric>(root_->GetValue("Count", true));
  if (!count) return 1;
  // Every page is an object of its own, so there are never more pages than
  // object entries, whatever /Count claims.
  const double limit = std::max(0, reader_.HighestNumber());
  return count->Value > 0 ? static_cast<int>(std::min(count->Value, limit)) : 0;
}

TPDFDictionary* TSmartPDFDocument::Node(const TPDFObject* member) {
  const auto* ref = PdfCast<TPDFIndRef>(member);
  return ref ? PdfCast<TPDFDictionary>(reader_.CachedObject(ref->RefNumber)) : nullptr;
}

TPDFDictionary* TSmartPDFDocument::PageDictionary(const TPDFIndRef* ref) { return Node(ref); }

// At each node the running page count is carried down into the first kid
// that reaches n: an inner node is entered (even one counting a single
// page), a page ends the walk. Counts come from the page index, which has
// read each node of the file once.
TPDFIndRef* TSmartPDFDocument::FindPageRef(int n) {
  if (n < 1 || !root_) return nullptr;
  // The walk uses the tree as the file has it, not the local root, which
  // SelectPages rewrites.
  TSmartPageIndex::Node directRoot;
  TSmartPageIndex::Node* node = nullptr;
  if (rootRef_) {
    node = memory_->PageIndex.NodeFor(rootRef_->RefNumber);
  } else {
    directRoot = memory_->PageIndex.NodeOf(root_);
    node = &directRoot;
  }
  std::unordered_set<int32_t> visited;
  if (rootRef_) visited.insert(rootRef_->RefNumber);
  int64_t count = 0;
  for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
    if (!node->HasKids()) return nullptr;
    int64_t before = 0;
    const TSmartPageIndex::Kid* kid = node->KidReaching(n - count, before);
    if (!kid) return nullptr;  // the kids hold fewer pages than asked for
    count += before;
    if (kid->NodeKind == TSmartPageIndex::Kind::Page) {
      lastPageNumber_ = n;
      lastPageRef_ = local_.NewIndRef(kid->Number, kid->Generation);
      return lastPageRef_;
    }
    if (!visited.insert(kid->Number).second) return nullptr;  // the tree loops
    node = memory_->PageIndex.NodeFor(kid->Number);
  }
  return nullptr;
}

TPDFIndRef* TSmartPDFDocument::NextPageRef(int n) {
  if (!lastPageRef_ || n != lastPageNumber_ + 1) return FindPageRef(n);
  TPDFDictionary* previous = Node(lastPageRef_);
  const auto* parentRef = previous ? PdfCast<TPDFIndRef>(previous->GetValue("Parent")) : nullptr;
  // The parent's /Kids as the page index holds it: parsed once, however
  // long the run of pages and whatever the reader's cache let go since.
  const TPDFArray* kids = parentRef ? memory_->PageIndex.NodeFor(parentRef->RefNumber)->Kids() : nullptr;
  const auto isLast = [&](size_t i) {
    const auto* ref = PdfCast<TPDFIndRef>(kids->Item(i));
    return ref && ref->RefNumber == lastPageRef_->RefNumber && ref->RefGeneration == lastPageRef_->RefGeneration;
  };
  const size_t count = kids ? kids->Count() : 0;
  // Reading page after page, the last page sits where the previous step
  // left it, so the search starts there.
  size_t i = lastKidIndex_ < count && isLast(lastKidIndex_) ? lastKidIndex_ : 0;
  while (i < count && !isLast(i)) ++i;
  if (i + 1 < count) {
    const auto* next = PdfCast<TPDFIndRef>(kids->Item(i + 1));
    if (next && Node(next) != nullptr && Node(next)->TypeName() == "Page") {
      lastPageNumber_ = n;
      lastKidIndex_ = i + 1;
      lastPageRef_ = local_.NewIndRef(next->RefNumber, next->RefGeneration);
      return lastPageRef_;
    }
  }
  return FindPageRef(n);
}

TPDFObject* TSmartPDFDocument::InheritedValue(TPDFDictionary* page, std::string_view key) {
  std::unordered_set<const TPDFDictionary*> visited;
  TPDFDictionary* node = page;
  for (int depth = 0; node && depth <= kMaxTreeDepth; ++depth) {
    if (!visited.insert(node).second) return nullptr;  // a /Parent loop
    if (TPDFObject* value = node->GetValue(key, true)) return value;
    node = Node(node->GetValue("Parent"));
  }
  return nullptr;
}

std::string TSmartPDFDocument::PageContents(TPDFDictionary* page) {
  std::string joined;
  // Where the text of each referenced stream already stands: a stream listed
  // again is copied, not decoded again (the copy is charged all the same).
  std::map<std::pair<int32_t, int32_t>, std::pair<size_t, size_t>> placed;
  auto append = [&](const TPDFObject* item, const TPDFObject* part) {
    const auto* stream = PdfCast<TPDFStream>(part);
    if (!stream) return;
    // Streams split a content only between tokens; without a separator the
    // last operator of one would run into the first operand of the next.
    if (!joined.empty()) joined += '\n';
    const auto* ref = PdfCast<TPDFIndRef>(item);
    const std::pair<int32_t, int32_t> key = ref ? std::make_pair(ref->RefNumber, ref->RefGeneration)
                                                : std::make_pair(-1, -1);
    if (auto seen = placed.find(key); ref && seen != placed.end()) {
      ChargeDecoded(seen->second.second);
      joined.append(joined, seen->second.first, seen->second.second);
      return;
    }
    const size_t start = joined.size();
    joined += stream->DecodedData();
    if (ref) placed.emplace(key, std::make_pair(start, joined.size() - start));
  };
  if (!page) return joined;
  TPDFObject* contents = page->GetValue("Contents", true);
  if (const auto* parts = PdfCast<TPDFArray>(contents)) {
    for (size_t i = 0; i < parts->Count(); ++i) append(parts->Item(i), parts->ItemResolved(i));
  } else {
    append(nullptr, contents);
  }
  return joined;
}

}  // namespace ostrel
