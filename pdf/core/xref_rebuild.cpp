// Reading a file whose cross-reference data is lost or wrong: the objects are
// those a scan of the file finds, a later definition of a number replacing an
// earlier one (updates are appended); objects packed in object streams are
// found through those streams; the trailer is the last cross-reference
// stream dictionary or trailer naming a /Root, else one made for the catalog.
#include <algorithm>
#include <string_view>
#include <vector>

#include "pdf/core/byte_classes.h"
#include "pdf/core/object_scan.h"
#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_objects.h"

namespace ostrel {

namespace {

// How far past an object's start its dictionary is looked at for /Type.
constexpr size_t kPeekWindow = 1024;
// Members read from one object stream's header.
constexpr int64_t kMaxStreamMembers = 1 << 20;

// The object numbers an object stream's header lists, in order.
std::vector<int64_t> StreamMembers(const std::string& data, int64_t count) {
  std::vector<int64_t> members;
  size_t p = 0;
  auto next = [&](int64_t& out) {
    while (p < data.size() && IsPdfWhiteSpace(data[p])) ++p;
    const size_t start = p;
    while (p < data.size() && data[p] >= '0' && data[p] <= '9' && p - start < 12) ++p;
    if (p == start) return false;
    out = std::stoll(data.substr(start, p - start));
    return true;
  };
  for (int64_t i = 0, number = 0, offset = 0; i < count && next(number) && next(offset); ++i) members.push_back(number);
  return members;
}

}  // namespace

bool TPDFDocument::RebuildCrossReference() {
  ClearObjectTable();
  Trailer = nullptr;
  const std::string_view file(FileImage);
  const std::vector<TScannedObject> found = ScanForObjects(file);
  // Newest first, so that the entry kept per number is the last definition.
  for (auto it = found.rbegin(); it != found.rend(); ++it) OnXrefEntry(it->Number, it->Offset, 'n', it->Generation);
  BuildObjectTable();
  const size_t classic = XrefEntries.size();

  std::string trailerText;
  std::vector<TPDFIndObj*> objectStreams;
  for (const auto& slot : indirectObjects_) {
    const std::string_view head = file.substr(static_cast<size_t>(slot->TextOffset),
                                              static_cast<size_t>(std::min<int64_t>(slot->TextLength, kPeekWindow)));
    if (head.find("/XRef") == std::string_view::npos && head.find("/ObjStm") == std::string_view::npos) continue;
    auto* stream = PdfCast<TPDFStream>(slot->GetIndValue());
    if (!stream) continue;
    const std::string type = stream->StreamDict->TypeName();
    // Slots run in file order: the last stream dictionary naming a root wins.
    if (type == "XRef" && stream->StreamDict->GetValue("Root")) trailerText = stream->StreamDict->ToText();
    if (type == "ObjStm") objectStreams.push_back(slot.get());
  }
  // Members of object streams that are not defined on their own.
  for (TPDFIndObj* holder : objectStreams) {
    auto* stream = PdfCast<TPDFStream>(holder->GetIndValue());
    const int64_t count = std::clamp<int64_t>(stream->StreamDict->GetInteger("N", 0), 0, kMaxStreamMembers);
    const std::vector<int64_t> members = StreamMembers(stream->DecodedData(), count);
    for (size_t i = 0; i < members.size(); ++i) OnXrefEntry(members[i], holder->ObjectNumber, 'c', static_cast<int64_t>(i));
  }
  for (size_t i = classic; i < XrefEntries.size(); ++i) {
    const TPDFXrefEntry& entry = XrefEntries[i];
    auto slot = std::make_unique<TPDFIndObj>(this, entry.Number, 0);
    slot->InObjectStream = true;
    slot->StreamNumber = static_cast<int32_t>(entry.StreamNumber);
    slot->StreamIndex = static_cast<int32_t>(entry.StreamIndex);
    indirectObjects_.push_back(std::move(slot));
  }
  RebuildNumberIndex();

  if (trailerText.empty()) trailerText = RecoveredTrailer(file, found);
  if (!trailerText.empty()) OnXrefTrailer(trailerText);
  if (!Trailer) Trailer = pool_->NewDictionary();
  Warn("cross-reference data unusable: rebuilt from the " + std::to_string(indirectObjects_.size()) +
       " objects found in the file");
  return Trailer->GetValue("Root") != nullptr;
}

}  // namespace ostrel
