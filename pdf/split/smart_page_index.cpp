#include "pdf/split/smart_page_index.h"

#include <algorithm>

#include "pdf/split/smart_pdf_reader.h"

namespace ostrel {

TSmartPageIndex::TSmartPageIndex(TSmartPDFReader& reader) : reader_(reader) { reader_.InstallResolver(pool_); }

TSmartPageIndex::Kind TSmartPageIndex::KindOf(const TPDFDictionary* dict) {
  if (!dict) return Kind::Other;
  const std::string type = dict->TypeName();
  if (type == "Pages") return Kind::Pages;
  if (type == "Page") return Kind::Page;
  if (!type.empty()) return Kind::Other;
  return PdfCast<TPDFArray>(dict->GetValue("Kids", true)) ? Kind::Pages : Kind::Page;
}

int64_t TSmartPageIndex::NodeCount(const TPDFDictionary* node) {
  const auto* count = PdfCast<TPDFNumeric>(node->GetValue("Count", true));
  if (!count || !(count->Value > 0)) return 0;
  return static_cast<int64_t>(std::min(count->Value, 2147483647.0));
}

TSmartPageIndex::Kid TSmartPageIndex::Summarize(const TPDFObject* member) {
  Kid kid;
  const auto* ref = PdfCast<TPDFIndRef>(member);
  if (!ref) return kid;  // a direct dictionary among the kids is no page
  kid.Number = ref->RefNumber;
  kid.Generation = ref->RefGeneration;
  const auto* dict = PdfCast<TPDFDictionary>(reader_.CachedObject(ref->RefNumber));
  kid.NodeKind = KindOf(dict);
  kid.Count = kid.NodeKind == Kind::Pages ? NodeCount(dict) : kid.NodeKind == Kind::Page ? 1 : 0;
  return kid;
}

const TSmartPageIndex::Kid* TSmartPageIndex::Node::KidReaching(int64_t target, int64_t& countBefore) {
  if (!kids_) return nullptr;
  // Counts are never negative, so the running count only grows and the
  // first kid reaching the target can be found by bisection.
  while ((running_.empty() || running_.back() < target) && summarized_.size() < kids_->Count()) {
    summarized_.push_back(index_->Summarize(kids_->Item(summarized_.size())));
    running_.push_back((running_.empty() ? 0 : running_.back()) + summarized_.back().Count);
  }
  const auto at = std::lower_bound(running_.begin(), running_.end(), target);
  if (at == running_.end()) return nullptr;
  const auto i = static_cast<size_t>(at - running_.begin());
  countBefore = i == 0 ? 0 : running_[i - 1];
  return &summarized_[i];
}

TSmartPageIndex::Node* TSmartPageIndex::NodeFor(int32_t number) {
  if (auto it = nodes_.find(number); it != nodes_.end()) return it->second.get();
  auto node = std::make_unique<Node>(NodeOf(PdfCast<TPDFDictionary>(reader_.GetObject(number, pool_))));
  return nodes_.emplace(number, std::move(node)).first->second.get();
}

TSmartPageIndex::Node TSmartPageIndex::NodeOf(const TPDFDictionary* dict) {
  Node node;
  node.index_ = this;
  node.kids_ = KidsOf(dict);
  return node;
}

// A /Kids array held by reference is parsed into the index's pool too.
const TPDFArray* TSmartPageIndex::KidsOf(const TPDFDictionary* dict) {
  TPDFObject* kids = dict ? dict->GetValue("Kids") : nullptr;
  if (const auto* ref = PdfCast<TPDFIndRef>(kids)) kids = reader_.GetObject(ref->RefNumber, pool_);
  return PdfCast<TPDFArray>(kids);
}

}  // namespace ostrel
