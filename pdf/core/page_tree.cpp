#include "pdf/core/page_tree.h"

#include <algorithm>
#include <cmath>

namespace ostrel {
namespace {

// Real trees are a few levels deep; anything deeper is a loop or an attack.
constexpr int kMaxTreeDepth = 256;
constexpr int kMaxParentChain = 64;
// An owned stream past this size is left alone and a fresh one is started.
constexpr size_t kMaxOwnedStreamBytes = 500000;
constexpr std::string_view kMarkerName = "iSKW";

TPDFObject* Resolved(TPDFObject* obj) {
  if (auto* ref = PdfCast<TPDFIndRef>(obj)) return ref->Resolve();
  return obj;
}

bool IsOwned(const TPDFStream* stream) {
  auto* marker = PdfCast<TPDFName>(stream->StreamDict->GetValue("LC", true));
  return marker && marker->Value == kMarkerName;
}

// The decoded data of a stream, or false when its filters are ones this
// library cannot undo: re-storing such data unfiltered would corrupt the page.
bool DecodeContent(const TPDFStream* stream, std::string& out) {
  static constexpr std::string_view kDecodable[] = {"FlateDecode", "Fl", "ASCII85Decode", "A85",
                                                    "ASCIIHexDecode", "LZWDecode"};
  TPDFObject* filter = stream->StreamDict->GetValue("Filter", true);
  std::vector<const TPDFObject*> names;
  if (auto* array = PdfCast<TPDFArray>(filter)) {
    for (size_t i = 0; i < array->Count(); ++i) names.push_back(Resolved(array->Item(i)));
  } else if (filter) {
    names.push_back(filter);
  }
  for (const TPDFObject* obj : names) {
    auto* name = PdfCast<TPDFName>(obj);
    if (!name || std::find(std::begin(kDecodable), std::end(kDecodable), name->Value) == std::end(kDecodable)) {
      return false;
    }
  }
  out = stream->DecodedData();
  // A filtered stream whose data decodes to nothing at all is damaged.
  return names.empty() || !out.empty() || stream->RawData.empty();
}

double BoxMember(const TPDFArray* box, size_t index) {
  auto* number = PdfCast<TPDFNumeric>(Resolved(box->Item(index)));
  return number ? number->Value : 0.0;
}

}  // namespace

TPDFPageTree::TPDFPageTree(TPDFDictionary* root, std::function<int64_t()> objectLimit)
    : objectLimit_(std::move(objectLimit)), root_(root) {
  pool_ = root ? root->Pool : nullptr;
  if (root_) SelectPage(1);
}

void TPDFPageTree::AttachWriter(TPageContentWriter* writer) {
  if (writer_) writer_->OnFlush = nullptr;
  writer_ = writer;
  if (!writer_) return;
  writer_->OnFlush = [this] { FlushContent(); };
  if (pageReady_) writer_->StartPage(startContent_, pool_->Decimals);
}

TPDFPageTree::~TPDFPageTree() = default;

int TPDFPageTree::PageCount() {
  if (!root_) return 0;
  int64_t count = std::max<int64_t>(0, root_->GetInteger("Count", 0));
  // Every page is an object of its own, so /Count can never exceed the number
  // of objects; bounding it keeps an absurd /Count from sizing the cache.
  int64_t limit = objectLimit_ ? objectLimit_() : static_cast<int64_t>(pool_->Count());
  count = std::min(count, limit);
  pageCache_.resize(static_cast<size_t>(count), nullptr);
  return static_cast<int>(count);
}

TPDFDictionary* TPDFPageTree::FindByCount(TPDFArray* kids, TPDFDictionary* parent, int n,
                                          int64_t& counter, int depth,
                                          std::vector<const TPDFObject*>& visited, KidSlot& slot) {
  if (depth > kMaxTreeDepth) return nullptr;
  for (size_t i = 0; i < kids->Count(); ++i) {
    auto* ref = PdfCast<TPDFIndRef>(kids->Item(i));
    if (!ref) continue;
    lookupKid_ = ref;
    auto* kid = PdfCast<TPDFDictionary>(ref->Resolve());
    if (!kid) continue;
    std::string type = kid->TypeName();
    if (type == "Pages") {
      int64_t k = std::max(0, kid->GetInteger("Count", 0));
      if (counter + k < n) {
        counter += k;
        continue;
      }
      auto* sub = kid->Get<TPDFArray>("Kids");
      // A node met again on the way down is a loop: treat it as childless.
      if (!sub || std::find(visited.begin(), visited.end(), kid) != visited.end()) continue;
      visited.push_back(kid);
      lookupParent_ = kid;
      return FindByCount(sub, kid, n, counter, depth + 1, visited, slot);
    }
    if (type == "Page") {
      if (counter + 1 == n) {
        slot = {kids, i, parent};
        return kid;
      }
      ++counter;
    }
  }
  return nullptr;
}

TPDFDictionary* TPDFPageTree::Locate(int n, KidSlot& slot) {
  lookupKid_ = nullptr;
  int count = PageCount();
  if (n < 1 || n > count) return nullptr;
  lookupParent_ = root_;
  auto* kids = root_->Get<TPDFArray>("Kids");
  if (!kids) return nullptr;
  if (kids->Count() == static_cast<size_t>(count)) {
    lookupKid_ = kids->Item(n - 1);
    auto* page = PdfCast<TPDFDictionary>(Resolved(lookupKid_));
    if (page && page->TypeName() == "Page") {
      slot = {kids, static_cast<size_t>(n - 1), root_};
      return page;
    }
  }
  int64_t counter = 0;
  std::vector<const TPDFObject*> visited{root_};
  return FindByCount(kids, root_, n, counter, 0, visited, slot);
}

TPDFDictionary* TPDFPageTree::PageDictionary(int n) {
  KidSlot slot;
  TPDFDictionary* page = Locate(n, slot);
  if (n >= 1 && static_cast<size_t>(n) <= pageCache_.size()) pageCache_[n - 1] = page;
  return page;
}

TPDFObject* TPDFPageTree::MakeReference(TPDFObject* object) {
  if (!pool_->OnMakeIndirect) return object;  // a pool without a document keeps it direct
  auto [number, generation] = pool_->OnMakeIndirect(object);
  return pool_->NewIndRef(number, generation);
}

TPDFObject* TPDFPageTree::NewOwnedStreamReference() {
  TPDFStream* stream = pool_->NewStream("", false);
  stream->StreamDict->SetValue("LC", pool_->NewName(kMarkerName));
  return MakeReference(stream);
}

void TPDFPageTree::SelectPage(int n) {
  widthKnown_ = heightKnown_ = false;
  int count = PageCount();
  if (n < 1 || n > count) n = selectedPage_;
  pageReady_ = false;
  TPDFDictionary* page = n >= 1 && static_cast<size_t>(n) <= pageCache_.size() ? pageCache_[n - 1] : nullptr;
  pageDict_ = page ? page : PageDictionary(n);
  if (!pageDict_) return;
  selectedPage_ = n;
  contentStreams_.clear();
  pendingContents_ = false;
  PrepareContent();
}

void TPDFPageTree::PrepareContent() {
  TPDFObject* contents = pageDict_->GetValue("Contents");
  TPDFArray* array = nullptr;
  if (!contents) {
    // A page without content gets its owned stream with the first drawing,
    // so that merely selecting a page never adds an object to the document.
    pendingContents_ = true;
    streamsAtSelection_ = 0;
    ResetWriter({});
    return;
  }
  if (auto* ref = PdfCast<TPDFIndRef>(contents)) {
    array = PdfCast<TPDFArray>(ref->Resolve());
    if (!array) {
      array = pool_->NewArrayOf({ref});
      pageDict_->SetValue("Contents", array);
    }
  } else if (!(array = PdfCast<TPDFArray>(contents))) {
    // A direct stream is kept as the first member; anything else is no content.
    array = PdfCast<TPDFStream>(contents) ? pool_->NewArrayOf({contents}) : pool_->NewArray();
    pageDict_->SetValue("Contents", array);
  }

  std::string content;
  auto* last = array->Count() ? PdfCast<TPDFStream>(Resolved(array->Item(array->Count() - 1))) : nullptr;
  if (!last || !IsOwned(last) || last->RawData.size() > kMaxOwnedStreamBytes || !DecodeContent(last, content)) {
    array->Add(NewOwnedStreamReference());
    content.clear();
  }

  for (size_t i = 0; i < array->Count(); ++i) {
    auto* stream = PdfCast<TPDFStream>(Resolved(array->Item(i)));
    if (!stream) {
      stream = pool_->NewStream("", false);
      array->Members[i] = MakeReference(stream);
    }
    contentStreams_.push_back(stream);
  }
  streamsAtSelection_ = contentStreams_.size();

  ResetWriter(content);
}

void TPDFPageTree::ResetWriter(std::string_view content) {
  startContent_ = content;
  if (writer_) writer_->StartPage(content, pool_->Decimals);
  pageReady_ = true;
}

void TPDFPageTree::FlushContent() {
  if (!pageReady_ || !writer_) return;
  if (pendingContents_) {
    if (writer_->ContentText().empty()) return;
    pendingContents_ = false;
    TPDFObject* reference = NewOwnedStreamReference();
    pageDict_->SetValue("Contents", pool_->NewArrayOf({reference}));
    contentStreams_.push_back(PdfCast<TPDFStream>(Resolved(reference)));
  }
  if (contentStreams_.empty() || contentStreams_.size() < streamsAtSelection_ || !contentStreams_.back()) return;
  // The writer extends the stream's data in place where it can.
  TPDFStream* stream = contentStreams_.back();
  writer_->CopyContentText(stream->RawData);
  stream->SetPlainData(std::move(stream->RawData));
}

TPDFArray* TPDFPageTree::FindMediaBox() const {
  TPDFDictionary* node = pageDict_;
  for (int depth = 0; node && depth < kMaxParentChain; ++depth) {
    if (auto* box = node->Get<TPDFArray>("MediaBox")) return box;
    node = node->Get<TPDFDictionary>("Parent");
  }
  return nullptr;
}

void TPDFPageTree::DefaultPageSize() {
  DefaultWidth = 612;
  DefaultHeight = 792;
  if (auto* box = root_ ? root_->Get<TPDFArray>("MediaBox") : nullptr) {
    DefaultWidth = std::fabs(BoxMember(box, 2) - BoxMember(box, 0));
    DefaultHeight = std::fabs(BoxMember(box, 3) - BoxMember(box, 1));
  }
}

double TPDFPageTree::MediaWidth() {
  if (widthKnown_) return cachedWidth_;
  if (TPDFArray* box = FindMediaBox()) {
    cachedWidth_ = std::fabs(BoxMember(box, 2) - BoxMember(box, 0));
  } else {
    DefaultPageSize();
    if (pageDict_) {
      pageDict_->RemoveKey("MediaBox");
      pageDict_->SetValue("MediaBox", pool_->NewRealArray({0, 0, DefaultWidth, DefaultHeight}));
    }
    cachedWidth_ = DefaultWidth;
  }
  widthKnown_ = true;
  return cachedWidth_;
}

double TPDFPageTree::MediaHeight() {
  if (heightKnown_) return cachedHeight_;
  if (TPDFArray* box = FindMediaBox()) {
    cachedHeight_ = std::fabs(BoxMember(box, 3) - BoxMember(box, 1));
  } else {
    DefaultPageSize();
    if (pageDict_) {
      pageDict_->RemoveKey("MediaBox");
      pageDict_->SetValue("MediaBox", pool_->NewRealArray({0, 0, DefaultWidth, DefaultHeight}));
    }
    cachedHeight_ = DefaultHeight;
  }
  heightKnown_ = true;
  return cachedHeight_;
}

void TPDFPageTree::SetMediaWidth(double width) {
  double height = MediaHeight();
  cachedWidth_ = width;
  widthKnown_ = true;
  if (!pageDict_) return;
  for (std::string_view key : {"MediaBox", "CropBox"}) {
    pageDict_->RemoveKey(key);
    pageDict_->SetValue(key, pool_->NewRealArray({0, 0, width, height}));
  }
}

void TPDFPageTree::SetMediaHeight(double height) {
  double width = MediaWidth();
  cachedHeight_ = height;
  heightKnown_ = true;
  if (!pageDict_) return;
  for (std::string_view key : {"MediaBox", "CropBox"}) {
    pageDict_->RemoveKey(key);
    pageDict_->SetValue(key, pool_->NewRealArray({0, 0, width, height}));
  }
}

void TPDFPageTree::AdjustCount(TPDFDictionary* node, int delta) {
  // A /Parent chain that loops would otherwise be counted up forever.
  std::vector<const TPDFDictionary*> seen;
  while (node && seen.size() < static_cast<size_t>(kMaxParentChain) &&
         std::find(seen.begin(), seen.end(), node) == seen.end()) {
    seen.push_back(node);
    if (auto* count = node->Get<TPDFNumeric>("Count")) count->Value += delta;
    node = node->Get<TPDFDictionary>("Parent");
  }
}

void TPDFPageTree::InsertPages(int position, int count, double width, double height) {
  int total = PageCount();
  TPDFArray* kids = nullptr;
  TPDFDictionary* parent = nullptr;
  size_t index = 0;
  if (root_ && count > 0) {
    if (position == 1 || position == total + 1) {
      kids = root_->Get<TPDFArray>("Kids");
      parent = root_;
      index = position == 1 ? 0 : (kids ? kids->Count() : 0);
    } else if (position > 1 && position <= total) {
      KidSlot slot;
      if (TPDFDictionary* before = Locate(position - 1, slot)) {
        kids = slot.Kids;
        parent = before->Get<TPDFDictionary>("Parent");
        if (!parent) parent = slot.Parent;
        index = slot.Index + 1;
      }
    }
  }
  if (kids) {
    kids->Reserve(static_cast<size_t>(count));
    size_t at = std::min(pageCache_.size(), static_cast<size_t>(position - 1));
    pageCache_.insert(pageCache_.begin() + at, static_cast<size_t>(count), nullptr);
    if (pool_->OnMakeIndirect) {
      AdjustCount(parent, count);
      pool_->Reserve(26 * static_cast<size_t>(count));
      for (int k = 1; k <= count; ++k) {
        TPDFDictionary* page = pool_->NewDictionary();
        page->SetValue("Type", pool_->NewName("Page"));
        if (parent->ObjectNumber > 0) {
          page->SetValue("Parent", pool_->NewIndRef(parent->ObjectNumber, parent->Generation));
        }
        page->SetValue("MediaBox", pool_->NewRealArray({0, 0, width, height}));
        page->SetValue("CropBox", pool_->NewRealArray({0, 0, width, height}));
        page->SetValue("Rotate", pool_->NewNumeric(0));
        TPDFDictionary* resources = pool_->NewDictionary();
        resources->SetValue("ProcSet", pool_->NewArrayOf({pool_->NewName("PDF"), pool_->NewName("Text"),
                                                          pool_->NewName("ImageB"), pool_->NewName("ImageC"),
                                                          pool_->NewName("ImageI")}));
        page->SetValue("Resources", resources);
        kids->Insert(static_cast<long>(index++), MakeReference(page));
        size_t cacheAt = static_cast<size_t>(position + k - 2);
        if (cacheAt < pageCache_.size()) pageCache_[cacheAt] = page;
        page->SetValue("Contents", pool_->NewArrayOf({NewOwnedStreamReference()}));
      }
    }
  }
  SelectPage(position);
}

TPDFObject* TPDFPageTree::InheritedResources() {
  // The page's own ancestors first, then the node the tree walk reached it
  // through (they differ only in damaged files).
  PageDictionary(selectedPage_);
  for (TPDFDictionary* start : {pageDict_->Get<TPDFDictionary>("Parent"), lookupParent_}) {
    TPDFDictionary* node = start;
    for (int depth = 0; node && depth < kMaxParentChain; ++depth) {
      if (TPDFObject* resources = node->GetValue("Resources")) return resources;
      node = node->Get<TPDFDictionary>("Parent");
    }
  }
  return nullptr;
}

TPDFDictionary* TPDFPageTree::PageResources() {
  if (!pageDict_) return nullptr;
  TPDFObject* resources = pageDict_->GetValue("Resources");
  if (!resources) resources = InheritedResources();
  if (!resources) {
    resources = pool_->NewDictionary();
    pageDict_->SetValue("Resources", resources);
  }
  auto* dict = PdfCast<TPDFDictionary>(Resolved(resources));
  if (!dict) {
    pageDict_->DeleteKey("Resources");
    dict = pool_->NewDictionary();
    pageDict_->SetValue("Resources", dict);
  }
  return dict;
}

void TPDFPageTree::RegisterResource(std::string_view category, std::string_view name, TPDFObject* reference) {
  TPDFDictionary* resources = PageResources();
  if (!resources || !reference) return;
  TPDFObject* entry = resources->GetValue(category);
  auto* group = PdfCast<TPDFDictionary>(Resolved(entry));
  if (!group) {
    if (entry) resources->DeleteKey(category);
    group = pool_->NewDictionary();
    resources->SetValue(category, group);
  }
  TPDFObject* existing = group->GetValue(name);
  if (!existing) {
    group->SetValue(name, reference);
    return;
  }
  auto* old = PdfCast<TPDFIndRef>(existing);
  auto* given = PdfCast<TPDFIndRef>(reference);
  if (old && (!given || old->RefNumber != given->RefNumber || old->RefGeneration != given->RefGeneration)) {
    group->DeleteKey(name);
    group->SetValue(name, reference);
  }
}

void TPDFPageTree::RegisterIndirectResource(std::string_view category, std::string_view name, int32_t number,
                                            int32_t generation) {
  TPDFDictionary* resources = PageResources();
  if (!resources) return;
  auto* group = PdfCast<TPDFDictionary>(Resolved(resources->GetValue(category)));
  auto* old = group ? PdfCast<TPDFIndRef>(group->GetValue(name)) : nullptr;
  if (old && old->RefNumber == number && old->RefGeneration == generation) return;
  RegisterResource(category, name, pool_->NewIndRef(number, generation));
}

TPDFObject* TPDFPageTree::PageReference(int n) {
  PageDictionary(n);
  TPDFObject* kid = lookupKid_;
  PageDictionary(selectedPage_);
  return kid;
}

}  // namespace ostrel
