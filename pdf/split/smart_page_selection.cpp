// Building what a new file of chosen pages holds: a flat page tree of those
// pages, and every object reachable from the catalog except through the
// pages left out.
#include <algorithm>

#include "pdf/split/smart_pdf_document.h"
#include "pdf/core/security_handler.h"

namespace ostrel {
namespace {

// The references inside value in the order they appear in its text. The walk
// keeps its own stack: parsed values nest up to the parser's depth bound.
void GatherReferences(const TPDFObject* value, std::vector<int32_t>& out) {
  std::vector<const TPDFObject*> pending{value};
  while (!pending.empty()) {
    const TPDFObject* obj = pending.back();
    pending.pop_back();
    if (!obj) continue;
    switch (obj->Kind()) {
      case TPDFKind::IndRef: out.push_back(static_cast<const TPDFIndRef*>(obj)->RefNumber); break;
      case TPDFKind::Array: {
        const auto& members = static_cast<const TPDFArray*>(obj)->Members;
        pending.insert(pending.end(), members.rbegin(), members.rend());
        break;
      }
      case TPDFKind::Dictionary: {
        const auto& pairs = static_cast<const TPDFDictionary*>(obj)->Pairs;
        for (auto it = pairs.rbegin(); it != pairs.rend(); ++it) pending.push_back(it->second);
        break;
      }
      case TPDFKind::Stream: pending.push_back(static_cast<const TPDFStream*>(obj)->StreamDict); break;
      default: break;
    }
  }
}

}  // namespace

int TSmartPDFDocument::SelectPages(const std::vector<int>& pages) {
  std::vector<TPDFIndRef*> found;
  int previous = -1;
  for (int page : pages) {
    TPDFIndRef* ref = page == previous + 1 ? NextPageRef(page) : FindPageRef(page);
    previous = page;
    if (ref) found.push_back(ref);
  }
  if (!catalog_ || !root_ || !rootRef_) return 0;

  TPDFArray* kids = local_.NewArray();
  for (TPDFIndRef* ref : found) {
    const int32_t number = ref->RefNumber;
    if (!chosenPages_.count(number)) {
      auto* page = PdfCast<TPDFDictionary>(reader_.GetObject(number, local_));
      if (!page) continue;  // a page that cannot be read is not counted
      CopyInheritedAttributes(page);
      page->SetValue("Parent", local_.NewIndRef(rootRef_->RefNumber, rootRef_->RefGeneration));
      overrides_[number] = page;
      chosenPages_.insert(number);
    }
    kids->Add(ref);
  }
  root_->SetValue("Kids", kids);
  root_->SetValue("Count", local_.NewNumeric(static_cast<double>(kids->Count())));
  // The new root is the root: a /Parent it had in a damaged source would
  // carry the source's nodes, and any loop among them, into the new file.
  root_->DeleteKey("Parent");
  overrides_[rootRef_->RefNumber] = root_;
  if (catalogRef_) overrides_[catalogRef_->RefNumber] = catalog_;
  MoveDirectAcroForm();
  return static_cast<int>(kids->Count());
}

// The output tree is flat: what a page took from the inner nodes between it
// and the root would be lost, so it is written onto the page itself. What
// the root holds stays with the root.
void TSmartPDFDocument::CopyInheritedAttributes(TPDFDictionary* page) {
  const int32_t pageNumber = page->ObjectNumber;
  for (const char* key : kInheritedKeys) {
    if (page->GetValue(key)) continue;
    std::unordered_set<int32_t> visited;
    const auto* parentRef = PdfCast<TPDFIndRef>(page->GetValue("Parent"));
    for (int depth = 0; parentRef && depth < kMaxTreeDepth; ++depth) {
      const int32_t number = parentRef->RefNumber;
      if (number == rootRef_->RefNumber || !visited.insert(number).second) break;
      TPDFDictionary* node = Node(parentRef);
      if (!node) break;
      if (const TPDFObject* value = node->GetValue(key)) {
        page->SetValue(key, CopyValue(value, number, pageNumber));
        break;
      }
      parentRef = PdfCast<TPDFIndRef>(node->GetValue("Parent"));
    }
  }
}

bool TSmartPDFDocument::CanRecrypt() const { return !security_ || security_->CanDecrypt(); }

// A deep copy of value in the local pool, moved from object `from` into
// object `to`. In an encrypted file strings are keyed by the object holding
// them: plain objects hold them encrypted with their own key, members of
// object streams and new objects hold them plain until written.
TPDFObject* TSmartPDFDocument::CopyValue(const TPDFObject* value, int32_t from, int32_t to) {
  TPDFObject* copy = local_.ParseObject(value->ToText());
  if (!security_ || !security_->CanDecrypt()) return copy;
  auto isPlainObject = [this](int32_t n) {
    const TSmartEntry* entry = reader_.Entry(n);
    return entry && entry->Type == 'n';
  };
  if (isPlainObject(from)) security_->DecryptObject(security_->ObjectKey(from, reader_.Generation(from)), copy);
  if (isPlainObject(to)) security_->EncryptObject(security_->ObjectKey(to, reader_.Generation(to)), copy);
  return copy;
}

// A direct /AcroForm becomes an object of its own, with the empty /CO and
// /DR the form model expects.
void TSmartPDFDocument::MoveDirectAcroForm() {
  auto* form = PdfCast<TPDFDictionary>(catalog_->GetValue("AcroForm"));
  if (!form || !catalogRef_ || !CanRecrypt()) return;
  int32_t number = std::max(reader_.HighestNumber(), 0);
  for (const auto& [n, value] : overrides_) number = std::max(number, n);
  if (number >= TSmartPDFReader::kMaxObjectNumber) return;
  ++number;
  auto* moved = PdfCast<TPDFDictionary>(CopyValue(form, catalogRef_->RefNumber, number));
  if (!moved) return;
  if (!moved->GetValue("CO")) moved->SetValue("CO", local_.NewArray());
  if (!moved->GetValue("DR")) moved->SetValue("DR", local_.NewDictionary());
  moved->MarkIndirect(number, 0);
  overrides_[number] = moved;
  catalog_->SetValue("AcroForm", local_.NewIndRef(number, 0));
}

TPDFObject* TSmartPDFDocument::ObjectToWrite(int32_t n, TPDFStructure& scratch) {
  if (auto it = overrides_.find(n); it != overrides_.end()) return it->second;
  return reader_.GetObject(n, scratch);
}

bool TSmartPDFDocument::IsCollected(int32_t n) const {
  return n >= 0 && static_cast<size_t>(n) < collected_.size() && collected_[static_cast<size_t>(n)];
}

// The text to write for n and what it refers to. In an encrypted file,
// members of object streams and new objects hold their strings plain; as
// objects of their own they need their key.
TSmartWrittenObject TSmartPDFDocument::Render(int32_t n, TPDFObject* value) const {
  TSmartWrittenObject written;
  if (!value) {
    written.Text = "null";
    return written;
  }
  const TSmartEntry* entry = reader_.Entry(n);
  if (security_ && security_->CanDecrypt() && !(entry && entry->Type == 'n')) {
    security_->EncryptObject(security_->ObjectKey(n, reader_.Generation(n)), value);
  }
  value->ToText(written.Text);
  GatherReferences(value, written.References);
  const auto* dict = PdfCast<TPDFDictionary>(value);
  written.IsPage = dict && dict->TypeName() == "Page";
  return written;
}

void TSmartPDFDocument::CollectObjects(int32_t n, const ObjectSink& sink) {
  int32_t limit = std::max(reader_.HighestNumber(), 0);
  for (const auto& [number, value] : overrides_) limit = std::max(limit, number);
  collected_.resize(static_cast<size_t>(limit) + 1, false);
  // An object nobody changes is written the same way into every new file
  // from the same source: a memory shared between documents keeps its text.
  const bool shared = ownMemory_ == nullptr;

  TPDFStructure scratch;
  reader_.InstallResolver(scratch);
  std::vector<int32_t> pending{n};
  TSmartWrittenObject fresh;
  while (!pending.empty()) {
    const int32_t number = pending.back();
    pending.pop_back();
    // A reference to a number the file never defined stays a dangling
    // reference (read as null); it is not written.
    if (number <= 0 || number > limit || IsCollected(number)) continue;
    const auto override = overrides_.find(number);
    if (!reader_.Entry(number) && override == overrides_.end()) continue;
    collected_[static_cast<size_t>(number)] = true;
    outputList_.push_back(number);

    const TSmartWrittenObject* written = nullptr;
    if (override != overrides_.end()) {
      fresh = Render(number, override->second);
      written = &fresh;
    } else if (!shared || !(written = memory_->Written(number))) {
      fresh = Render(number, reader_.GetObject(number, scratch));
      written = shared ? memory_->Remember(number, std::move(fresh)) : nullptr;
      if (!written) written = &fresh;
    }
    if (sink) sink(number, reader_.Generation(number), written->Text);
    // Pages other than the chosen ones are written but not followed.
    if (!written->IsPage || chosenPages_.count(number)) {
      // Pushed in reverse so that the first reference is followed first,
      // giving the order a recursive depth-first walk would.
      pending.insert(pending.end(), written->References.rbegin(), written->References.rend());
    }
    if (scratch.Count() > 100) {
      scratch.Clear();
      reader_.InstallResolver(scratch);  // Clear resets the number format
    }
  }
}

void TSmartPDFDocument::CollectAll(const ObjectSink& sink) {
  if (catalogRef_) CollectObjects(catalogRef_->RefNumber, sink);
  if (TPDFIndRef* info = reader_.TrailerRef("Info")) CollectObjects(info->RefNumber, sink);
  // The security dictionary of an encrypted source goes along, so that the
  // new file opens with the same passwords.
  if (TPDFIndRef* encrypt = reader_.TrailerRef("Encrypt")) CollectObjects(encrypt->RefNumber, sink);
}

}  // namespace ostrel
