// The information dictionary and the XMP packet that mirrors it.
#include "pdf/core/pdf_document.h"
#include "pdf/core/xmp_metadata.h"
#include "pdf/core/pdf_doc_encoding.h"
#include "platform/text_codec.h"

namespace ostrel {
namespace {

bool IsXmlMetadata(const TPDFStream* stream) {
  TPDFDictionary* dict = stream->StreamDict;
  auto* subtype = PdfCast<TPDFName>(dict->GetValue("Subtype", true));
  if (!subtype) subtype = PdfCast<TPDFName>(dict->GetValue("SubType", true));
  return dict->TypeName() == "Metadata" && subtype && subtype->Value == "XML";
}

}  // namespace

std::u16string TPDFDocument::GetInfo(std::string_view key) {
  TPDFObject* value = InfoDictionary()->GetValue(key, true);
  if (auto* string = PdfCast<TPDFString>(value)) return PdfTextDecode(string->Value);
  if (auto* stream = PdfCast<TPDFStream>(value)) return PdfTextDecode(stream->DecodedData());
  return {};
}

void TPDFDocument::SetInfo(std::string_view key, std::u16string_view text) {
  std::string bytes = PdfTextEncode(text);
  TPDFDictionary* info = InfoDictionary();
  TPDFObject* value = info->GetValue(key, true);
  if (auto* string = PdfCast<TPDFString>(value)) {
    string->Value = bytes;
  } else {
    if (auto* stream = PdfCast<TPDFStream>(value)) stream->SetRawData({});
    info->SetValue(key, pool_->NewString(bytes));
  }
  UpdateMetadata(key, Utf16ToUtf8(text));
}

void TPDFDocument::UpdateMetadata(std::string_view key, std::string_view text) {
  TPDFDictionary* catalog = Catalog();
  auto* current = PdfCast<TPDFStream>(catalog->GetValue("Metadata", true));
  std::string packet;
  if (current && IsXmlMetadata(current)) packet = current->DecodedData();
  TOstrelXMP xmp;
  // A packet we cannot read is kept as it is rather than replaced by nothing.
  if (!xmp.Load(packet)) return;
  xmp.SetInfoField(key, text);
  if (SecurityState() != 0) return;
  if (!current) {
    current = pool_->NewStream("", false);
    TPDFIndObj* slot = AddIndirect(current);
    catalog->SetValue("Metadata", pool_->NewIndRef(slot->ObjectNumber, slot->Generation));
  }
  current->StreamDict->SetValue("Type", pool_->NewName("Metadata"));
  current->StreamDict->SetValue("Subtype", pool_->NewName("XML"));
  current->SetData(xmp.Packet(), false);
}

}  // namespace ostrel
