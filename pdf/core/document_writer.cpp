// Writing the whole document as one complete file with a classic
// cross-reference table.
#include <unordered_set>

#include "pdf/core/number_format.h"
#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "pdf/core/security_handler.h"

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

std::string TPDFDocument::WriteSlotText(TPDFIndObj& slot) {
  TPDFObject* value = slot.GetIndValue();
  // Cross-reference streams describe the file they came from, not this one.
  if (IsCrossReferenceStream(value)) return {};
  bool encrypt = CanDecrypt() && slot.ObjectNumber != encryptObjectNumber_;
  std::string key = encrypt ? security_->ObjectKey(slot.ObjectNumber, slot.Generation) : std::string();
  if (key.empty()) return slot.WriteText();
  security_->EncryptObject(key, value);
  std::string text;
  try {
    text = slot.WriteText();
  } catch (...) {
    security_->DecryptObject(key, value);
    throw;
  }
  security_->DecryptObject(key, value);
  return text;
}

bool TPDFDocument::SaveToBytes(std::string& out) {
  int selected = pageTree_->SelectedPage();
  try {
    out.clear();
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
      std::string text = WriteSlotText(*slot);
      if (text.empty()) continue;
      WrittenEntry& entry = entries[slot->ObjectNumber];
      entry = {static_cast<int64_t>(out.size()), std::max(0, slot->Generation), true};
      if (text.back() != '\n' && text.back() != '\r') text += '\n';
      out += text;
    }

    int64_t xref = static_cast<int64_t>(out.size());
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
    FileSize = static_cast<int64_t>(out.size());
  } catch (...) {
    pageTree_->SelectPage(selected);
    return false;
  }
  pageTree_->SelectPage(selected);
  return true;
}

}  // namespace ostrel
