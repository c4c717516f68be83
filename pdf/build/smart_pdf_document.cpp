// Finding pages in a file read by direct access: the page count, the walk
// down the page tree by /Count, the shortcut to the next sibling, and the
// values a page inherits from its ancestors.
#include "pdf/build/smart_pdf_document.h"

#include <algorithm>

namespace ostrel {
namespace {

enum class NodeKind { Other, Pages, Page };

// Some writers leave out /Type in the page tree; a node with /Kids is then
// taken for an inner node and any other dictionary for a page.
NodeKind KindOf(const TPDFDictionary* dict) {
  if (!dict) return NodeKind::Other;
  const std::string type = dict->TypeName();
  if (type == "Pages") return NodeKind::Pages;
  if (type == "Page") return NodeKind::Page;
  if (!type.empty()) return NodeKind::Other;
  return PdfCast<TPDFArray>(dict->GetValue("Kids", true)) ? NodeKind::Pages : NodeKind::Page;
}

// A /Count as a page count: never negative, never beyond 32 bits, so sums
// over a /Kids array cannot overflow.
int64_t NodeCount(const TPDFDictionary* node) {
  const auto* count = PdfCast<TPDFNumeric>(node->GetValue("Count", true));
  if (!count || !(count->Value > 0)) return 0;
  return static_cast<int64_t>(std::min(count->Value, 2147483647.0));
}

}  // namespace

TSmartPDFDocument::TSmartPDFDocument(TSmartPDFReader& reader, const TPDFSecurityHandler* security)
    : reader_(reader), security_(security) {
  reader_.InstallResolver(local_);
  LoadRoots();
}

// The catalog and the page tree root are parsed into the local pool: both are
// changed for the new file and written from there.
void TSmartPDFDocument::LoadRoots() {
  if (TPDFIndRef* ref = reader_.TrailerRef("Root")) {
    catalogRef_ = local_.NewIndRef(ref->RefNumber, ref->RefGeneration);
    catalog_ = PdfCast<TPDFDictionary>(reader_.GetObject(ref->RefNumber, local_));
  }
  if (!catalog_) return;
  if (auto* ref = PdfCast<TPDFIndRef>(catalog_->GetValue("Pages"))) {
    rootRef_ = local_.NewIndRef(ref->RefNumber, ref->RefGeneration);
    root_ = PdfCast<TPDFDictionary>(reader_.GetObject(ref->RefNumber, local_));
  } else {
    root_ = PdfCast<TPDFDictionary>(catalog_->GetValue("Pages"));
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

TPDFIndRef* TSmartPDFDocument::FindPageRef(int n) {
  if (n < 1 || !root_) return nullptr;
  // The walk uses the tree as the file has it, not the local root, which
  // SelectPages rewrites.
  TPDFDictionary* node = rootRef_ ? Node(rootRef_) : root_;
  std::unordered_set<int32_t> visited;
  if (rootRef_) visited.insert(rootRef_->RefNumber);
  int64_t count = 0;
  const TPDFObject* last = nullptr;
  NodeKind lastKind = NodeKind::Other;
  for (int depth = 0; node && depth < kMaxTreeDepth; ++depth) {
    const auto* kids = PdfCast<TPDFArray>(node->GetValue("Kids", true));
    if (!kids) return nullptr;
    last = nullptr;
    lastKind = NodeKind::Other;
    int64_t lastCount = 0;
    TPDFDictionary* lastDict = nullptr;
    for (size_t i = 0; i < kids->Count() && count < n; ++i) {
      TPDFDictionary* dict = Node(kids->Item(i));
      lastKind = KindOf(dict);
      lastCount = lastKind == NodeKind::Pages ? NodeCount(dict) : lastKind == NodeKind::Page ? 1 : 0;
      count += lastCount;
      last = kids->Item(i);
      lastDict = dict;
    }
    if (count < n || lastKind != NodeKind::Pages) break;
    // The page lies below this inner node (even one counting a single page).
    count -= lastCount;
    const auto* ref = PdfCast<TPDFIndRef>(last);
    if (!visited.insert(ref->RefNumber).second) return nullptr;  // the tree loops
    node = lastDict;
  }
  const auto* ref = PdfCast<TPDFIndRef>(last);
  if (count != n || !ref || lastKind != NodeKind::Page) return nullptr;
  lastPageNumber_ = n;
  lastPageRef_ = local_.NewIndRef(ref->RefNumber, ref->RefGeneration);
  return lastPageRef_;
}

TPDFIndRef* TSmartPDFDocument::NextPageRef(int n) {
  if (!lastPageRef_ || n != lastPageNumber_ + 1) return FindPageRef(n);
  TPDFDictionary* previous = Node(lastPageRef_);
  TPDFDictionary* parent = previous ? Node(previous->GetValue("Parent")) : nullptr;
  const auto* kids = parent ? PdfCast<TPDFArray>(parent->GetValue("Kids", true)) : nullptr;
  for (size_t i = 0; kids && i + 1 < kids->Count(); ++i) {
    const auto* ref = PdfCast<TPDFIndRef>(kids->Item(i));
    if (!ref || ref->RefNumber != lastPageRef_->RefNumber || ref->RefGeneration != lastPageRef_->RefGeneration) continue;
    const auto* next = PdfCast<TPDFIndRef>(kids->Item(i + 1));
    if (!next || Node(next) == nullptr || Node(next)->TypeName() != "Page") break;
    lastPageNumber_ = n;
    lastPageRef_ = local_.NewIndRef(next->RefNumber, next->RefGeneration);
    return lastPageRef_;
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
  auto append = [&joined](const TPDFObject* part) {
    const auto* stream = PdfCast<TPDFStream>(part);
    if (!stream) return;
    // Streams split a content only between tokens; without a separator the
    // last operator of one would run into the first operand of the next.
    if (!joined.empty()) joined += '\n';
    joined += stream->DecodedData();
  };
  if (!page) return joined;
  TPDFObject* contents = page->GetValue("Contents", true);
  if (const auto* parts = PdfCast<TPDFArray>(contents)) {
    for (size_t i = 0; i < parts->Count(); ++i) append(parts->ItemResolved(i));
  } else {
    append(contents);
  }
  return joined;
}

}  // namespace ostrel
