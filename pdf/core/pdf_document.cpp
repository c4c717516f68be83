#include "pdf/core/pdf_document.h"

#include <algorithm>

#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_date.h"
#include "pdf/core/reachable_fonts.h"
#include "pdf/core/security_handler.h"
#include "platform/system_clock.h"

namespace ostrel {
namespace {

// References resolved inside references (a /Length that is itself a stream
// with an indirect /Length, object streams inside object streams) nest at
// most this deep; a hostile chain would otherwise exhaust the stack.
constexpr int kMaxResolveDepth = 48;
constexpr int kMaxParentChain = 64;

}  // namespace

TPDFDocument::TPDFDocument()
    : pool_(std::make_unique<TPDFStructure>()), security_(std::make_unique<TPDFSecurityHandler>()) {
  pool_->OnResolve = [this](int32_t number, int32_t) { return Resolve(number); };
  pool_->OnMakeIndirect = [this](TPDFObject* object) { return MakeIndirect(object); };
  pool_->Warnings = &ownWarnings_;
  Reset();
}

TPDFDocument::~TPDFDocument() {
  // The tree refers to pooled objects; drop it before the pool frees them.
  pageTree_.reset();
}

void TPDFDocument::Reset() {
  // Fonts point into the pool that is about to be emptied.
  Fonts.clear();
  Images.clear();
  ClearObjectTable();
  FileImage.clear();
  encryptObjectNumber_ = 0;
}

void TPDFDocument::BuildPageTree(TPDFDictionary* root) {
  pageTree_.reset();
  MakePageTree(root);
}

void TPDFDocument::AttachPageWriter(TPageContentWriter* writer) {
  pageWriter_ = writer;
  pageTree_->AttachWriter(writer);
}

void TPDFDocument::MakePageTree(TPDFDictionary* root) {
  // Every page is an indirect object: the page count never exceeds the slots.
  pageTree_ = std::make_unique<TPDFPageTree>(root, [this] {
    return static_cast<int64_t>(indirectObjects_.size());
  });
  pageTree_->AttachWriter(pageWriter_);
}

TPDFObject* TPDFDocument::Resolve(int32_t number) {
  TPDFIndObj* slot = FindIndObj(number);
  if (!slot || resolveDepth_ >= kMaxResolveDepth) return nullptr;
  ++resolveDepth_;
  TPDFObject* value = nullptr;
  try {
    value = slot->GetIndValue();
  } catch (...) {
    --resolveDepth_;
    throw;
  }
  --resolveDepth_;
  return value;
}

std::pair<int32_t, int32_t> TPDFDocument::MakeIndirect(TPDFObject* object) {
  TPDFIndObj* slot = AddIndirect(object);
  return {slot->ObjectNumber, slot->Generation};
}

TPDFIndObj* TPDFDocument::FindIndObj(int32_t number) {
  auto it = std::lower_bound(numberIndex_.begin(), numberIndex_.end(), number,
                             [](const std::pair<int32_t, size_t>& entry, int32_t n) { return entry.first < n; });
  if (it == numberIndex_.end() || it->first != number) return nullptr;
  return indirectObjects_[it->second].get();
}

void TPDFDocument::RebuildNumberIndex() {
  numberIndex_.clear();
  numberIndex_.reserve(indirectObjects_.size());
  for (size_t i = 0; i < indirectObjects_.size(); ++i) {
    numberIndex_.emplace_back(indirectObjects_[i]->ObjectNumber, i);
  }
  std::stable_sort(numberIndex_.begin(), numberIndex_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

TPDFIndObj* TPDFDocument::AddIndirect(TPDFObject* object) {
  if (!PdfCast<TPDFNumeric>(Trailer->GetValue("Size", true))) Trailer->SetValue("Size", pool_->NewNumeric(1));
  int32_t highest = numberIndex_.empty() ? 0 : std::max(0, numberIndex_.back().first);
  auto slot = std::make_unique<TPDFIndObj>(this, highest + 1, 0);
  slot->Value = object;
  slot->IsParsed = true;
  slot->IsPlain = true;
  object->MarkIndirect(highest + 1, 0);
  indirectObjects_.push_back(std::move(slot));
  // The new number is the highest, so the index stays sorted.
  numberIndex_.emplace_back(highest + 1, indirectObjects_.size() - 1);
  Trailer->SetValue("Size", pool_->NewNumeric(highest + 2.0));
  return indirectObjects_.back().get();
}

void TPDFDocument::RemoveIndirect(int32_t number, int32_t generation) {
  auto it = std::find_if(indirectObjects_.begin(), indirectObjects_.end(), [&](const auto& slot) {
    return slot->ObjectNumber == number && slot->Generation == generation;
  });
  if (it == indirectObjects_.end()) return;
  indirectObjects_.erase(it);
  RebuildNumberIndex();
}

TPDFDictionary* TPDFDocument::Catalog() {
  if (auto* root = Trailer->Get<TPDFDictionary>("Root")) return root;
  TPDFDictionary* root = pool_->NewDictionary();
  TPDFIndObj* slot = AddIndirect(root);
  Trailer->SetValue("Root", pool_->NewIndRef(slot->ObjectNumber, slot->Generation));
  return root;
}

TPDFDictionary* TPDFDocument::PagesRoot() { return Catalog()->Get<TPDFDictionary>("Pages"); }

TPDFDictionary* TPDFDocument::InfoDictionary() {
  if (auto* info = Trailer->Get<TPDFDictionary>("Info")) return info;
  TPDFDictionary* info = pool_->NewDictionary();
  TPDFIndObj* slot = AddIndirect(info);
  Trailer->SetValue("Info", pool_->NewIndRef(slot->ObjectNumber, slot->Generation));
  return info;
}

void TPDFDocument::EnsureID() {
  if (Trailer->Get<TPDFArray>("ID")) return;
  Trailer->DeleteKey("ID");
  auto digest = Md5(FormatPDFDate());
  TPDFString* id = pool_->NewString(std::string(digest.begin(), digest.end()), TPDFStringForm::Hex);
  Trailer->SetValue("ID", pool_->NewArrayOf({id, id}));
}

int TPDFDocument::NewDocument() {
  Reset();
  Version = "1.4";
  TPDFStructure& p = *pool_;
  auto procSet = [&p] {
    return p.NewArrayOf({p.NewName("PDF"), p.NewName("Text"), p.NewName("ImageB"), p.NewName("ImageC"),
                         p.NewName("ImageI")});
  };

  TPDFDictionary* pages = p.NewDictionary();
  pages->SetValue("Type", p.NewName("Pages"));
  pages->SetValue("Count", p.NewNumeric(1));
  pages->SetValue("Kids", p.NewArrayOf({p.NewIndRef(2, 0)}));
  AddIndirect(pages);

  TPDFDictionary* page = p.NewDictionary();
  page->SetValue("Type", p.NewName("Page"));
  page->SetValue("Parent", p.NewIndRef(1, 0));
  page->SetValue("MediaBox", p.NewIntegerArray({0, 0, 612, 792}));
  page->SetValue("CropBox", p.NewIntegerArray({0, 0, 612, 792}));
  TPDFDictionary* resources = p.NewDictionary();
  resources->SetValue("ProcSet", procSet());
  page->SetValue("Resources", resources);
  AddIndirect(page);

  TPDFDictionary* catalog = p.NewDictionary();
  catalog->SetValue("Type", p.NewName("Catalog"));
  catalog->SetValue("Pages", p.NewIndRef(1, 0));
  AddIndirect(catalog);

  AddIndirect(p.NewDictionary());

  Trailer->SetValue("Root", p.NewIndRef(3, 0));
  Trailer->SetValue("Info", p.NewIndRef(4, 0));
  EnsureID();
  BuildPageTree(pages);
  return 1;
}

void TPDFDocument::SetVersion(std::string_view text) { Version = std::string(text); }

bool TPDFDocument::AnyPageHasFonts() {
  bool found = false;
  int count = pageTree_->PageCount();
  for (int n = 1; n <= count && !found; ++n) {
    try {
      // The nearest /Resources up the /Parent chain applies to the page, so
      // pages that inherit their fonts count too; so do fonts of the forms
      // the page draws and of its annotations' appearances.
      TPDFDictionary* page = pageTree_->PageDictionary(n);
      TPDFDictionary* node = page;
      for (int depth = 0; node && depth < kMaxParentChain; ++depth) {
        if (node->IndexOfKey("Resources") >= 0) {
          found = ResourcesReachFonts(node->Get<TPDFDictionary>("Resources"));
          break;
        }
        node = node->Get<TPDFDictionary>("Parent");
      }
      if (!found) found = AnnotationsReachFonts(page);
    } catch (...) {
      // A page that cannot be examined does not count.
    }
  }
  return found;
}

int TPDFDocument::SecurityState() const { return security_->SecurityState(); }

bool TPDFDocument::CanDecrypt() const { return security_->CanDecrypt(); }

std::string TPDFDocument::EncryptionMethodText() const { return security_->MethodName(); }

}  // namespace ostrel
