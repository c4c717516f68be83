// Opening a file for direct access: the header, the cross-reference chain
// (read by TPDFXRefReader, which also follows hybrid /XRefStm sections) and
// the trailers.
#include "pdf/split/smart_pdf_reader.h"

#include <algorithm>

#include "pdf/core/byte_classes.h"
#include "pdf/core/object_scan.h"
#include "pdf/core/pdf_crypto.h"
#include "pdf/core/pdf_date.h"
#include "pdf/core/xref_reader.h"

namespace ostrel {
namespace {

constexpr size_t kHeaderWindow = 1024;

std::string_view LeadingVersionRun(std::string_view text) {
  size_t end = 0;
  while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.')) ++end;
  return text.substr(0, end);
}

// The trailer keys that describe a cross-reference section rather than the
// document; a new file with a single classic table must not carry them.
constexpr const char* kSectionKeys[] = {"Prev", "DecodeParms", "Filter", "Length", "Type", "W", "Index", "XRefStm"};

}  // namespace

TSmartPDFReader::TSmartPDFReader(std::string_view file) : file_(file) {
  InstallResolver(pool_);
  pool_.Warnings = &opening_;
  ReleaseCachedObjects();
  if (!ReadHeader()) {
    ReaderState = kNotPdf;
    return;
  }
  if (!ReadCrossReference()) {
    ReaderState = kNoCrossReference;
    return;
  }
  RepairNumbering();
  offsets_.Sort();
  for (const TSmartEntry& entry : entries_) {
    if (entry.Type == 'c') HasCompressedObjects = true;
  }
  Encrypted = trailers_.front() && trailers_.front()->GetValue("Encrypt");
  ReaderState = kReady;
}

TSmartPDFReader::~TSmartPDFReader() = default;

void TSmartPDFReader::ReportWarningsTo(TWarningLog* log) {
  if (log && !openingReported_) {
    openingReported_ = true;
    for (const std::string& line : opening_.Lines()) log->Add(line);
  }
  pool_.Warnings = log;
  objects_->Warnings = log;
}

bool TSmartPDFReader::ReadHeader() {
  const std::string_view head = file_.substr(0, kHeaderWindow);
  std::string_view run;
  if (size_t pdf = head.find("%PDF-"); pdf != std::string_view::npos) {
    run = LeadingVersionRun(file_.substr(pdf + 5, 10));
  } else if (size_t ps = head.find("%!PS-Adobe-"); ps != std::string_view::npos) {
    const std::string_view after = file_.substr(ps + 11, 20);
    const size_t marker = after.find("PDF-");
    if (marker == std::string_view::npos) return false;
    run = LeadingVersionRun(file_.substr(ps + 11 + marker + 4, 10));
  } else {
    return false;
  }
  if (std::count(run.begin(), run.end(), '.') > 1) return false;
  Version = std::string(run);
  return true;
}

bool TSmartPDFReader::ReadCrossReference() {
  TPDFXRefReader reader(file_);
  reader.OnEntry = [this](int64_t number, int64_t field2, char type, int64_t field3) {
    OnEntry(number, field2, type, field3);
  };
  reader.OnTrailer = [this](const std::string& text) { OnTrailer(text); };
  reader.OnSection = [this](int64_t offset) { OnSection(offset); };
  reader.OnWarning = [this](std::string text) { pool_.Warn(std::move(text)); };
  const int64_t start = reader.FindStartXref();
  const bool ok = start > 0 && reader.ReadSection(start);
  const bool anyTrailer = std::any_of(trailers_.begin(), trailers_.end(), [](auto* t) { return t != nullptr; });
  return (ok && anyTrailer && RootIsWhereSaid()) || RebuildCrossReference();
}

// The newest trailer's /Root is an object that is where the table says: a
// table whose offsets are all wrong reads without a fault but leads nowhere.
bool TSmartPDFReader::RootIsWhereSaid() const {
  auto newest = std::find_if(trailers_.begin(), trailers_.end(), [](auto* t) { return t != nullptr; });
  auto* root = newest == trailers_.end() ? nullptr : PdfCast<TPDFIndRef>((*newest)->GetValue("Root"));
  if (!root || root->RefNumber <= 0 || static_cast<size_t>(root->RefNumber) >= entries_.size()) return false;
  const TSmartEntry& entry = entries_[static_cast<size_t>(root->RefNumber)];
  if (entry.Type != 'n') return entry.Type == 'c';
  if (entry.Field2 < 0 || static_cast<size_t>(entry.Field2) >= file_.size()) return false;
  std::string_view at = file_.substr(static_cast<size_t>(entry.Field2), 32);
  while (!at.empty() && IsPdfWhiteSpace(at.front())) at.remove_prefix(1);
  const std::string number = std::to_string(root->RefNumber);
  // Tables numbered from 1 hold the object before: RepairNumbering mends those.
  const std::string previous = std::to_string(root->RefNumber - 1);
  return (at.starts_with(number) && at.size() > number.size() && IsPdfWhiteSpace(at[number.size()])) ||
         (at.starts_with(previous) && at.size() > previous.size() && IsPdfWhiteSpace(at[previous.size()]));
}

// The table of a file whose cross-reference data is unusable: every object a
// scan finds, the last definition of a number winning, and the last trailer
// naming a root (or one made for the catalog).
bool TSmartPDFReader::RebuildCrossReference() {
  entries_.clear();
  trailers_.clear();
  offsets_ = TSortedNumberList{};
  update_ = 0;
  inHybridStream_ = false;
  pendingXRefStm_ = -1;
  HasXRefStreams = false;
  const std::vector<TScannedObject> found = ScanForObjects(file_);
  for (auto it = found.rbegin(); it != found.rend(); ++it) OnEntry(it->Number, it->Offset, 'n', it->Generation);
  const std::string trailer = RecoveredTrailer(file_, found);
  if (trailer.empty()) return false;
  OnTrailer(trailer);
  if (!trailers_.front() || !trailers_.front()->GetValue("Root")) return false;
  pool_.Warn("cross-reference data unusable: rebuilt from the " + std::to_string(found.size()) +
             " objects found in the file");
  return true;
}

void TSmartPDFReader::OnSection(int64_t offset) {
  if (offset <= 0) return;  // a failed section: the chain's result says so
  offsets_.Add(offset);
  // The /XRefStm stream of a hybrid file belongs to the same revision as the
  // table that named it; any other section starts an older revision.
  inHybridStream_ = offset == pendingXRefStm_;
  if (!inHybridStream_ && update_ < INT16_MAX) ++update_;
  pendingXRefStm_ = -1;
}

void TSmartPDFReader::OnEntry(int64_t number, int64_t field2, char type, int64_t field3) {
  if (type == 'n') offsets_.Add(field2);
  if (number <= 0 || number > kMaxObjectNumber) return;
  if (type != 'n' && type != 'c' && type != 'f') return;
  const auto index = static_cast<size_t>(number);
  if (index >= entries_.size()) entries_.resize(index + 1);
  TSmartEntry& entry = entries_[index];
  // The newest revision wins whatever the type, so a deleted object stays
  // deleted. Within one hybrid revision the table marks the objects kept in
  // object streams as free; its /XRefStm stream then says where they are.
  const bool replace = entry.Type == 0 || (inHybridStream_ && entry.Type == 'f' && entry.Update == update_);
  if (!replace) return;
  entry.Field2 = field2;
  entry.Field3 = static_cast<int32_t>(std::clamp<int64_t>(field3, INT32_MIN, INT32_MAX));
  entry.Type = type;
  entry.Update = update_;
}

void TSmartPDFReader::OnTrailer(const std::string& text) {
  auto* dict = PdfCast<TPDFDictionary>(pool_.ParseObject(text));
  trailers_.push_back(dict);
  if (!dict) return;
  if (dict->TypeName() == "XRef") HasXRefStreams = true;
  int64_t value = 0;
  if (XRefNumber(dict->GetValue("XRefStm"), value) && value > 0) pendingXRefStm_ = value;
}

// Tables whose numbering starts at 1 instead of 0: entry 1 is the head of the
// free list and entry 2 holds object 1.
void TSmartPDFReader::RepairNumbering() {
  if (entries_.size() < 3) return;
  const TSmartEntry& first = entries_[1];
  const TSmartEntry& second = entries_[2];
  if (first.Field2 != 0 || first.Field3 != 65535 || second.Type != 'n') return;
  if (second.Field2 < 0 || file_.substr(static_cast<size_t>(std::min<int64_t>(second.Field2, file_.size())), 7) != "1 0 obj") {
    return;
  }
  entries_.erase(entries_.begin());
  entries_[0] = TSmartEntry{};
  pool_.Warn("cross-reference table numbered from 1 instead of 0, renumbered");
}

const TSmartEntry* TSmartPDFReader::Entry(int32_t n) const {
  if (n <= 0 || static_cast<size_t>(n) >= entries_.size()) return nullptr;
  const TSmartEntry& entry = entries_[static_cast<size_t>(n)];
  return entry.Type ? &entry : nullptr;
}

int32_t TSmartPDFReader::Generation(int32_t n) const {
  const TSmartEntry* entry = Entry(n);
  return entry && entry->Type == 'n' ? std::clamp(entry->Field3, 0, 65535) : 0;
}

void TSmartPDFReader::InstallResolver(TPDFStructure& pool) {
  pool.OnResolve = [this](int32_t number, int32_t) { return CachedObject(number); };
  pool.Decimals = kCopiedDecimals;
}

TPDFObject* TSmartPDFReader::TrailerDictionary(std::string_view key) {
  for (TPDFDictionary* trailer : trailers_) {
    if (trailer && trailer->GetValue(key)) return trailer->GetValue(key, true);
  }
  return nullptr;
}

TPDFIndRef* TSmartPDFReader::TrailerRef(std::string_view key) {
  for (TPDFDictionary* trailer : trailers_) {
    if (trailer && trailer->GetValue(key)) return PdfCast<TPDFIndRef>(trailer->GetValue(key));
  }
  return nullptr;
}

TPDFDictionary* TSmartPDFReader::PrepareTrailer() {
  TPDFDictionary* trailer = pool_.NewDictionary();
  if (!trailers_.empty()) trailer->AssignFrom(trailers_.front());
  trailer->SetValue("Size", pool_.NewNumeric(static_cast<double>(entries_.size())));
  for (const char* key : {"Info", "Root"}) {
    if (trailer->GetValue(key)) continue;
    if (TPDFIndRef* older = TrailerRef(key)) trailer->SetValue(key, older);
  }
  // The first /ID element is kept: it is part of the key of an encrypted
  // file. The second one says "this is a new file".
  const std::string id = Md5Digest(NewNameTag());
  auto* ids = PdfCast<TPDFArray>(trailer->GetValue("ID"));
  if (ids && ids->Count() >= 2 && PdfCast<TPDFString>(ids->Item(1))) {
    TPDFArray* copy = pool_.NewArray();
    copy->Members = ids->Members;
    copy->Members[1] = pool_.NewString(id, TPDFStringForm::Hex);
    trailer->SetValue("ID", copy);
  } else if (!trailer->GetValue("ID") && !Encrypted) {
    // Without an /ID an encrypted file's key was made from an empty one;
    // adding one would change the key, so such a file stays without.
    TPDFString* both = pool_.NewString(id, TPDFStringForm::Hex);
    trailer->SetValue("ID", pool_.NewArrayOf({both, both}));
  }
  for (const char* key : kSectionKeys) trailer->RemoveKey(key);
  return trailer;
}

}  // namespace ostrel
