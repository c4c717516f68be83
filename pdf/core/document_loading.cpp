// Loading a document from the bytes of a file: header, cross-reference data,
// the object table, security and the page tree.
#include <algorithm>
#include <cstring>

#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "pdf/core/security_handler.h"
#include "pdf/core/xref_reader.h"

namespace ostrel {
namespace {

// Offsets are kept in 32 bits in stored records and in the written table of a
// saved file; larger files are refused rather than misread.
constexpr size_t kMaxFileSize = 0x7FFFFFFF;

std::string_view LeadingVersionRun(std::string_view text) {
  size_t end = 0;
  while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.')) ++end;
  return text.substr(0, end);
}

bool IsNumberText(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  return std::count(text.begin(), text.end(), '.') <= 1 &&
         std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

int32_t ClampTo32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

void TPDFDocument::ClearObjectTable() {
  pageTree_.reset();
  objectStreams_.clear();
  indirectObjects_.clear();
  numberIndex_.clear();
  pool_->Clear();
  Trailer = pool_->NewDictionary();
  XrefEntries.clear();
  XrefSectionOffsets.clear();
  seenNumbers_.Clear();
  maxSeenNumber_ = 0;
  security_->Reset();
  OpenedWithoutPassword = false;
  IsLinearized = false;
  MakePageTree(nullptr);
}

int TPDFDocument::LoadFromBytes(std::string fileImage, std::u16string_view password) {
  Reset();
  if (fileImage.size() >= kMaxFileSize) return 2;
  FileImage = std::move(fileImage);
  FileSize = static_cast<int64_t>(FileImage.size());
  // Each attempt reports into a log of its own: only the attempt that
  // decides the result speaks for the file.
  TWarningLog* const log = pool_->Warnings;
  TWarningLog attempt;
  pool_->Warnings = &attempt;
  int result = 2;
  try {
    result = LoadFromImage(password);
    size_t header = FileImage.find("%PDF-");
    if (result == 2 && header != std::string::npos && header > 0) {
      // Junk in front of the header: offsets usually count from "%PDF-".
      attempt.Clear();
      attempt.Add(std::to_string(header) + " bytes before the header ignored");
      FileImage.erase(0, header);
      FileSize = static_cast<int64_t>(FileImage.size());
      ClearObjectTable();
      result = LoadFromImage(password);
    }
  } catch (...) {
    result = 2;
  }
  pool_->Warnings = log;
  for (const std::string& line : attempt.Lines()) Warn(line);
  if (result != 0) Reset();
  return result;
}

int TPDFDocument::LoadFromImage(std::u16string_view password) {
  ClearObjectTable();
  if (!CheckHeader()) return 2;
  // Damaged or missing cross-reference data, or a trailer that leads to no
  // page tree: the objects are found by scanning the file instead, once.
  bool rebuilt = false;
  if (!ReadCrossReference() || !Trailer->Get<TPDFDictionary>("Root")) {
    if (!RebuildCrossReference()) return 2;
    rebuilt = true;
  }
  for (;;) {
    if (Trailer->GetValue("Encrypt")) {
      int security = ReadSecurity(password);
      if (security != 0) return security;
    }
    if (TPDFDictionary* pages = PagesRoot()) {
      BuildPageTree(pages);
      ReadLinearization();
      return 0;
    }
    if (rebuilt || !RebuildCrossReference()) return 2;
    rebuilt = true;
  }
}

bool TPDFDocument::CheckHeader() {
  std::string_view head = std::string_view(FileImage).substr(0, 1024);
  std::string_view run;
  if (size_t pdf = head.find("%PDF-"); pdf != std::string_view::npos) {
    run = LeadingVersionRun(std::string_view(FileImage).substr(pdf + 5, 10));
  } else if (size_t ps = head.find("%!PS-Adobe-"); ps != std::string_view::npos) {
    std::string_view after = std::string_view(FileImage).substr(ps + 11, 20);
    size_t marker = after.find("PDF-");
    if (marker == std::string_view::npos) return false;
    run = LeadingVersionRun(std::string_view(FileImage).substr(ps + 11 + marker + 4, 10));
  } else {
    return false;
  }
  if (!IsNumberText(run)) return false;
  Version = std::string(run);
  return true;
}

bool TPDFDocument::ReadCrossReference() {
  Trailer = nullptr;
  XrefEntries.reserve(1000);
  TPDFXRefReader reader(FileImage);
  reader.OnEntry = [this](int64_t number, int64_t field2, char type, int64_t field3) {
    OnXrefEntry(number, field2, type, field3);
  };
  reader.OnTrailer = [this](const std::string& text) { OnXrefTrailer(text); };
  reader.OnSection = [this](int64_t offset) { OnXrefSection(offset); };
  reader.OnWarning = [this](std::string text) { Warn(std::move(text)); };
  bool ok = reader.ReadSection(reader.FindStartXref());
  if (!Trailer) Trailer = pool_->NewDictionary();
  RepairNumbering();
  BuildObjectTable();
  return ok;
}

void TPDFDocument::OnXrefEntry(int64_t number, int64_t field2, char type, int64_t field3) {
  maxSeenNumber_ = std::max(maxSeenNumber_, number);
  // Numbers beyond the bound would only size tables; no real file uses them.
  if (number < 0 || number > kMaxObjectNumber) return;
  if (type != 'n' && type != 'c') return;
  // Every record costs memory whatever the file holds; a file cannot
  // sensibly describe many more objects than it has bytes.
  if (XrefEntries.size() >= 8 * FileImage.size() + 4096) return;
  if (!seenNumbers_.Mark(static_cast<uint32_t>(number))) return;
  TPDFXrefEntry entry;
  entry.Number = static_cast<int32_t>(number);
  entry.InUse = true;
  if (type == 'n') {
    entry.Generation = ClampTo32(field3);
    entry.Offset = std::max<int64_t>(0, field2);
  } else {
    entry.Compressed = true;
    entry.StreamNumber = static_cast<uint32_t>(std::clamp<int64_t>(field2, 0, kMaxObjectNumber));
    entry.StreamIndex = static_cast<uint32_t>(std::clamp<int64_t>(field3, 0, INT32_MAX));
  }
  XrefEntries.push_back(entry);
}

void TPDFDocument::OnXrefTrailer(const std::string& text) {
  if (Trailer) return;  // sections come newest first; the newest trailer wins
  auto* dict = PdfCast<TPDFDictionary>(pool_->ParseObject(text));
  if (!dict) return;
  for (const char* key : {"Prev", "Type", "W", "Index", "Length", "Filter"}) dict->DeleteKey(key);
  Trailer = dict;
}

void TPDFDocument::OnXrefSection(int64_t offset) {
  if (offset > 0) {
    XrefSectionOffsets.push_back(offset);
  } else if (offset < 0) {
    std::replace(XrefSectionOffsets.begin(), XrefSectionOffsets.end(), -offset, int64_t{0});
  }
}

void TPDFDocument::RepairNumbering() {
  // Some writers number the table from 1: the first entry is object 2 but the
  // text at its offset is object 1.
  if (XrefEntries.empty()) return;
  const TPDFXrefEntry& first = XrefEntries.front();
  auto* size = PdfCast<TPDFNumeric>(Trailer->GetValue("Size", true));
  if (first.Number != 2 || !size || size->Value != static_cast<double>(XrefEntries.size() + 1)) return;
  if (first.Offset < 0 || static_cast<uint64_t>(first.Offset) >= FileImage.size() ||
      FileImage.compare(static_cast<size_t>(first.Offset), 7, "1 0 obj") != 0) {
    return;
  }
  for (TPDFXrefEntry& entry : XrefEntries) --entry.Number;
  Warn("cross-reference table numbered from 1 instead of 0, renumbered");
}

void TPDFDocument::BuildObjectTable() {
  // Every section start and every object start, in file order: an object's
  // text runs to whichever comes next.
  struct Mark {
    int64_t Offset;
    long Tag;  // index into XrefEntries, -1 for a section
  };
  std::vector<Mark> marks;
  marks.reserve(XrefSectionOffsets.size() + XrefEntries.size());
  for (int64_t offset : XrefSectionOffsets) marks.push_back({offset, -1});
  for (size_t i = 0; i < XrefEntries.size(); ++i) {
    if (XrefEntries[i].InUse) marks.push_back({XrefEntries[i].Offset, static_cast<long>(i)});
  }
  auto number = [this](const Mark& m) { return m.Tag < 0 ? -1 : XrefEntries[m.Tag].Number; };
  std::stable_sort(marks.begin(), marks.end(), [&](const Mark& a, const Mark& b) {
    if (a.Offset != b.Offset) return a.Offset < b.Offset;
    return number(a) < number(b);  // objects sharing an offset: lower number first
  });

  indirectObjects_.reserve(indirectObjects_.size() + XrefEntries.size());
  int64_t fileSize = static_cast<int64_t>(FileImage.size());
  for (size_t i = 0; i < marks.size(); ++i) {
    if (marks[i].Tag < 0) continue;
    const TPDFXrefEntry& entry = XrefEntries[marks[i].Tag];
    if (!entry.InUse || entry.Generation < 0) continue;
    int64_t end = i + 1 < marks.size() ? marks[i + 1].Offset : fileSize;
    auto slot = std::make_unique<TPDFIndObj>(this, entry.Number, entry.Generation);
    slot->TextOffset = entry.Offset;
    slot->TextLength = std::max<int64_t>(0, std::min(end, fileSize) - entry.Offset);
    slot->InObjectStream = entry.Compressed;
    slot->StreamNumber = static_cast<int32_t>(entry.StreamNumber);
    slot->StreamIndex = static_cast<int32_t>(entry.StreamIndex);
    indirectObjects_.push_back(std::move(slot));
  }
  RebuildNumberIndex();
}

int TPDFDocument::ReadSecurity(std::u16string_view password) {
  // Revisions 2 to 4 mix the first /ID element into the key; a file without
  // /ID mixes in nothing, as every other reader does. Making one up here
  // would derive a key that opens nothing.
  TPDFObject* encrypt = Trailer->GetValue("Encrypt");
  auto* ref = PdfCast<TPDFIndRef>(encrypt);
  encryptObjectNumber_ = ref ? ref->RefNumber : 0;
  std::string firstId;
  if (auto* ids = Trailer->Get<TPDFArray>("ID")) {
    if (auto* id = PdfCast<TPDFString>(ids->ItemResolved(0))) firstId = id->Value;
  }
  security_->ReadSecurityDictionary(Trailer->Get<TPDFDictionary>("Encrypt"), encryptObjectNumber_, firstId);
  OpenedWithoutPassword = security_->TryPassword(u"");
  security_->OpenedWithoutPassword = OpenedWithoutPassword;
  return security_->TryPassword(password) ? 0 : 1;
}

void TPDFDocument::ReadLinearization() {
  std::string_view head = std::string_view(FileImage).substr(0, 1024);
  if (head.find("/Linearized") == std::string_view::npos) return;
  size_t obj = head.find(" obj");
  if (obj == std::string_view::npos) return;
  // "<number> <generation> obj": step back over the generation, then the number.
  size_t p = obj;
  while (p > 0 && head[p - 1] >= '0' && head[p - 1] <= '9') --p;
  while (p > 0 && (head[p - 1] == ' ' || head[p - 1] == '\r' || head[p - 1] == '\n')) --p;
  size_t numberEnd = p;
  while (p > 0 && head[p - 1] >= '0' && head[p - 1] <= '9') --p;
  if (p == numberEnd || numberEnd - p > 9) return;
  int32_t number = std::stoi(std::string(head.substr(p, numberEnd - p)));
  TPDFIndObj* slot = FindIndObj(number);
  auto* dict = slot ? PdfCast<TPDFDictionary>(slot->GetIndValue()) : nullptr;
  if (!dict || dict->IndexOfKey("Linearized") < 0) return;
  IsLinearized = true;
  // The saved file is not linearized; an empty dictionary says nothing wrong.
  dict->ReleaseAll();
}

}  // namespace ostrel
