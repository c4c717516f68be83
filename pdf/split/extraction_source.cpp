#include "pdf/split/extraction_source.h"

namespace ostrel {

TExtractionSource::TExtractionSource(std::string_view bytes) : reader_(bytes), memory_(reader_) {
  usable_ = reader_.ReaderState == TSmartPDFReader::kReady && (!reader_.Encrypted || PrepareSecurity());
}

// Reads the source's security dictionary and tries the empty password. True
// when the file can be copied: objects outside object streams go over as
// stored, but members of object streams need the file key.
bool TExtractionSource::PrepareSecurity() {
  const TPDFDictionary* trailer = reader_.Trailers().front();
  std::string firstId;
  if (const auto* ids = PdfCast<TPDFArray>(trailer ? trailer->GetValue("ID", true) : nullptr)) {
    if (const auto* first = PdfCast<TPDFString>(ids->ItemResolved(0))) firstId = first->Value;
  }
  const TPDFIndRef* ref = reader_.TrailerRef("Encrypt");
  security_.ReadSecurityDictionary(PdfCast<TPDFDictionary>(reader_.TrailerDictionary("Encrypt")),
                                   ref ? ref->RefNumber : 0, firstId);
  security_.TryPassword(u"");
  if (!security_.CanDecrypt()) return !reader_.HasCompressedObjects;
  reader_.DecryptStreamHook = [this](TPDFStream* stream, int32_t number, int32_t generation) {
    security_.DecryptObject(security_.ObjectKey(number, generation), stream);
  };
  return true;
}

namespace {

// One file is kept: splitting works through one file at a time.
struct TCacheSlot {
  std::mutex Mutex;
  std::string Bytes;  // a private copy: a mapping would follow changes to the file
  std::unique_ptr<TExtractionSource> Source;

  void Drop() {
    Source.reset();
    std::string().swap(Bytes);
  }
};

TCacheSlot& Slot() {
  static TCacheSlot slot;
  return slot;
}

}  // namespace

TExtractionCache::TLease TExtractionCache::Acquire(std::string_view fileBytes) {
  TLease lease;
  TCacheSlot& slot = Slot();
  std::unique_lock<std::mutex> lock(slot.Mutex, std::try_to_lock);
  if (!lock.owns_lock() || fileBytes.size() > kMaxCachedFileBytes) {
    // Another thread is extracting, or the file is too large to keep.
    lease.ownSource_ = std::make_unique<TExtractionSource>(fileBytes);
    lease.source_ = lease.ownSource_.get();
    return lease;
  }
  if (!slot.Source || slot.Bytes != fileBytes) {
    slot.Drop();
    slot.Bytes.assign(fileBytes);
    slot.Source = std::make_unique<TExtractionSource>(slot.Bytes);
  }
  slot.Source->Reader().ForgetCachedObjects();
  lease.lock_ = std::move(lock);
  lease.source_ = slot.Source.get();
  return lease;
}

void TExtractionCache::TLease::Done() { done_ = true; }

TExtractionCache::TLease::~TLease() {
  if (!lock_.owns_lock()) return;
  if (!done_ || source_->Reader().Pool().Count() > kMaxPooledObjects) Slot().Drop();
}

}  // namespace ostrel
