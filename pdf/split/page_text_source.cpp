#include "pdf/split/page_text_source.h"

#include "pdf/core/decode_budget.h"

namespace ostrel {

int32_t TSmartPDFPageSource::Open(const std::string& path, std::u16string_view password) {
  if (!file_.Open(path)) return 401;
  return OpenReader(file_.Bytes(), password);
}

int32_t TSmartPDFPageSource::OpenBytes(std::string bytes, std::u16string_view password) {
  bytes_ = std::move(bytes);
  return OpenReader(bytes_, password);
}

int32_t TSmartPDFPageSource::OpenReader(std::string_view bytes, std::u16string_view password) {
  reader_ = std::make_unique<TSmartPDFReader>(bytes);
  if (reader_->ReaderState != TSmartPDFReader::kReady) return 409;
  if (reader_->Encrypted) {
    const TPDFDictionary* trailer = reader_->Trailers().front();
    std::string firstId;
    if (const auto* ids = PdfCast<TPDFArray>(trailer ? trailer->GetValue("ID", true) : nullptr)) {
      if (const auto* first = PdfCast<TPDFString>(ids->ItemResolved(0))) firstId = first->Value;
    }
    const TPDFIndRef* ref = reader_->TrailerRef("Encrypt");
    security_.ReadSecurityDictionary(PdfCast<TPDFDictionary>(reader_->TrailerDictionary("Encrypt")),
                                     ref ? ref->RefNumber : 0, firstId);
    if (!security_.TryPassword(u"") && !security_.TryPassword(password)) return 404;
    if (!security_.CanDecrypt()) return 404;
    // Objects stored in object streams are plain once their stream is; the
    // streams themselves are plain objects and pass through here.
    reader_->DecryptObjectHook = [this](TPDFObject* value, int32_t number, int32_t generation) {
      security_.DecryptObject(security_.ObjectKey(number, generation), value);
    };
  }
  document_ = std::make_unique<TSmartPDFDocument>(*reader_);
  return 0;
}

bool TSmartPDFPageSource::ReleaseEarlierPages() {
  if (!reader_) return false;
  if (reader_->CachedObjectBytes() <= MaxHeldObjectBytes && reader_->Pool().Count() <= MaxHeldObjects) return false;
  Page = nullptr;
  Resources = nullptr;
  Content.clear();
  reader_->ReleaseCachedObjects();
  return true;
}

bool TSmartPDFPageSource::LoadPage(int n) {
  Page = nullptr;
  Resources = nullptr;
  Content.clear();
  if (!document_) return false;
  TPDFIndRef* ref = document_->NextPageRef(n);
  Page = ref ? document_->PageDictionary(ref) : nullptr;
  if (!Page) return false;
  {
    // The page's content streams are part of whatever budget the caller
    // gave the page, bounded as tightly as a renderer bounds them.
    TDecodeBudget content(kPageContentDecodeBudget);
    TDecodeBudgetScope scope(content, true);
    Content = document_->PageContents(Page);
  }
  Resources = PdfCast<TPDFDictionary>(document_->InheritedValue(Page, "Resources"));
  return true;
}

}  // namespace ostrel
