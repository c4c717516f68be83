#include "pdf/text/font_collection.h"

#include <algorithm>

#include "pdf/core/pdf_objects.h"
#include "pdf/text/cmaps/predefined_cmaps.h"

namespace ostrel {
namespace {

// References that lead to references: a short chain is legal, a long one is
// a loop in a damaged file.
constexpr int kMaxReferenceChain = 8;

}  // namespace

TPDFFontCollection::TPDFFontCollection() = default;
TPDFFontCollection::~TPDFFontCollection() = default;

void TPDFFontCollection::Clear() {
  CurrentFont = nullptr;
  records_.clear();
  index_.clear();
}

TPDFObject* TPDFFontCollection::Resolve(TPDFObject* obj) const {
  for (int i = 0; i < kMaxReferenceChain; ++i) {
    auto* ref = PdfCast<TPDFIndRef>(obj);
    if (!ref) return obj;
    obj = OnResolveObject ? OnResolveObject(ref) : ref->Resolve();
  }
  return PdfCast<TPDFIndRef>(obj) ? nullptr : obj;
}

std::string TPDFFontCollection::ReadStream(TPDFObject* maybeRef) const {
  auto* ref = PdfCast<TPDFIndRef>(maybeRef);
  auto* stream = PdfCast<TPDFStream>(Resolve(maybeRef));
  if (!stream) return {};
  if (ref && OnBeforeReadStream) OnBeforeReadStream(stream, ref);
  std::string data = stream->DecodedData();
  if (ref && OnAfterReadStream) OnAfterReadStream(stream, ref);
  return data;
}

long TPDFFontCollection::FindFont(int32_t objectNumber) const {
  auto it = std::lower_bound(index_.begin(), index_.end(), objectNumber,
                             [](const std::pair<int32_t, long>& e, int32_t n) { return e.first < n; });
  return it != index_.end() && it->first == objectNumber ? it->second : -1;
}

bool TPDFFontCollection::SelectFontRecord(const TPDFObject* fontRef) {
  auto* ref = PdfCast<TPDFIndRef>(fontRef);
  if (!ref) return false;
  long found = FindFont(ref->RefNumber);
  if (found >= 0) {
    CurrentFont = records_[found].get();
    return true;
  }
  size_t before = records_.size();
  if (!LoadFont(const_cast<TPDFIndRef*>(ref)) || records_.size() == before) return false;
  TPDFFontCollectionData* record = records_.back().get();
  record->ObjectNumber = ref->RefNumber;
  auto at = std::upper_bound(index_.begin(), index_.end(), ref->RefNumber,
                             [](int32_t n, const std::pair<int32_t, long>& e) { return n < e.first; });
  index_.insert(at, {ref->RefNumber, static_cast<long>(records_.size() - 1)});
  CurrentFont = record;
  return true;
}

TOstrelCodeList TPDFFontCollection::SplitCodes(std::string_view bytes) const {
  TOstrelCodeList codes;
  if (!CurrentFont || bytes.empty()) return codes;
  const TPDFFontCollectionData& f = *CurrentFont;
  if (f.OneByteCodes) {
    codes.assign(bytes.begin(), bytes.end());
    for (auto& c : codes) c &= 0xFF;
    return codes;
  }
  if (f.UnicodeRanges.empty() && !f.CharacterCollection.empty()) {
    bool handled;
    return SplitPredefined(f.EncodingCMapName, bytes, handled);
  }
  codes.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    codes.push_back(static_cast<uint16_t>(static_cast<unsigned char>(bytes[i]) << 8 |
                                          static_cast<unsigned char>(bytes[i + 1])));
  return codes;
}

std::u16string TPDFFontCollection::CodeToText(uint32_t code) const {
  if (!CurrentFont) return {};
  const TPDFFontCollectionData& f = *CurrentFont;
  if (f.IsComposite) {
    if (!f.UnicodeRanges.empty()) {
      for (const TPDFCMapEntry& e : f.UnicodeRanges) {
        if (code < e.FirstCode || code > e.LastCode) continue;
        std::u16string text;
        for (int32_t unit : e.Destination) text.push_back(static_cast<char16_t>(unit + (code - e.FirstCode)));
        return text;
      }
      return {};
    }
    if (!f.CharacterCollection.empty()) return PredefinedCodeText(f.EncodingCMapName, f.CharacterCollection, code);
    return {};
  }
  if (code > 255) return {};
  const std::u16string& text = f.UnicodeText[code];
  if (text.size() == 1 && text[0] == 0) return std::u16string(1, static_cast<char16_t>(code));
  return text;
}

uint32_t TPDFFontCollection::CodeToCID(uint32_t code) const {
  if (!CurrentFont || !CurrentFont->IsComposite || CurrentFont->EncodingCMapName.empty()) return code;
  return PredefinedCodeCID(CurrentFont->EncodingCMapName, CurrentFont->CharacterCollection, code);
}

double TPDFFontCollection::CodeWidth(uint32_t code) const {
  if (!CurrentFont) return 0;
  return CurrentFont->CIDWidths.Width(CurrentFont->CIDWidthsByCode ? code : CodeToCID(code));
}

TVerticalMetric TPDFFontCollection::CodeVerticalMetric(uint32_t code) const {
  if (!CurrentFont) return {};
  return CurrentFont->VerticalMetrics.Metric(CodeToCID(code), CodeWidth(code));
}

}  // namespace ostrel
