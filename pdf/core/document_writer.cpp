// Writing the whole document as one complete file with a classic
// cross-reference table.
#include <stdexcept>
#include <unordered_set>

#include "pdf/core/number_format.h"
#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "pdf/core/security_handler.h"
#include "platform/replacing_file.h"

namespace ostrel {
namespace {

struct WrittenEntry {
  int64_t Offset = 0;
  int32_t Generation = 0;
  bool InUse = false;
};

bool IsCrossReferenceStream(const TPDFObject* value) {
  auto* stream = PdfCast<TPDFStream>(value);
  return stream && stream->StreamDict->TypeName() == "XRef";
}

}  // namespace

bool TPDFDocument::WriteSlotText(TPDFIndObj& slot, std::string& out) {
  TPDFObject* value = slot.GetIndValue();
  // Cross-reference streams describe the file they came from, not this one.
  if (IsCrossReferenceStream(value)) return false;
  bool encrypt = CanDecrypt() && slot.ObjectNumber != encryptObjectNumber_;
  std::string key = encrypt ? security_->ObjectKey(slot.ObjectNumber, slot.Generation) : std::string();
  if (key.empty()) {
    slot.WriteText(out);
    return true;
  }
  security_->EncryptObject(key, value);
  try {
    slot.WriteText(out);
  } catch (...) {
    security_->DecryptObject(key, value);
    throw;
  }
  security_->DecryptObject(key, value);
  return true;
}

bool TPDFDocument::SaveToBytes(std::string& out) { return SaveTo(out, nullptr); }

bool TPDFDocument::SaveToFile(const std::string& utf8Path) {
  TReplacingFile file(utf8Path);
  if (!file.IsOpen()) return false;
  std::string buffer;
  return SaveTo(buffer, [&](std::string_view bytes) { return file.Write(bytes); }) && file.Commit({});
}

bool TPDFDocument::SaveTo(std::string& out, const std::function<bool(std::string_view)>& drain) {
  int selected = pageTree_->SelectedPage();
  // Offsets count what was handed over before out.
  int64_t handed = 0;
  auto offset = [&] { return handed + static_cast<int64_t>(out.size()); };
  auto hand = [&](size_t atLeast) {
    if (!drain || out.empty() || out.size() < atLeast) return true;
    if (!drain(out)) return false;
    handed += static_cast<int64_t>(out.size());
    out.clear();
    return true;
  };
  // Small enough to be reused from the heap rather than mapped afresh.
  constexpr size_t kDrainSize = size_t(64) << 10;
  try {
    out.clear();
    if (drain) out.reserve(kDrainSize + kDrainSize / 2);
    out += "%PDF-" + (Version.empty() ? std::string("1.4") : Version) + "\n";
    out += "%\xE2\xE3\xCF\xD3\n";

    std::unordered_set<int32_t> containers;
    int32_t highest = 0;
    for (const auto& slot : indirectObjects_) {
      if (slot->StreamNumber > 0) containers.insert(slot->StreamNumber);
      highest = std::max(highest, slot->ObjectNumber);
    }
    std::vector<WrittenEntry> entries(static_cast<size_t>(highest) + 1);
    entries[0].Generation = 65535;

    for (const auto& slot : indirectObjects_) {
      if (slot->ObjectNumber <= 0 || containers.count(slot->ObjectNumber)) continue;
      const int64_t start = offset();
      if (!WriteSlotText(*slot, out)) continue;
      entries[slot->ObjectNumber] = {start, std::max(0, slot->Generation), true};
      if (!hand(kDrainSize)) throw std::runtime_error("cannot write");
    }

    int64_t xref = offset();
    out += "xref\n0 " + std::to_string(entries.size()) + "\n";
    for (const WrittenEntry& entry : entries) {
      out += ZeroPadded(entry.Offset, 10) + " " + ZeroPadded(entry.Generation, 5) + (entry.InUse ? " n \n" : " f \n");
    }
    Trailer->DeleteKey("XRefStm");
    // /Size must count the table just written, whatever the source said.
    if (auto* size = PdfCast<TPDFNumeric>(Trailer->GetValue("Size"))) {
      size->Value = static_cast<double>(entries.size());
    } else {
      Trailer->SetValue("Size", pool_->NewNumeric(static_cast<double>(entries.size())));
    }
    out += "trailer\n";
    Trailer->ToText(out);
    out += "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
    FileSize = offset();
    if (!hand(0)) throw std::runtime_error("cannot write");
  } catch (...) {
    pageTree_->SelectPage(selected);
    return false;
  }
  pageTree_->SelectPage(selected);
  return true;
}

}  // namespace ostrel
