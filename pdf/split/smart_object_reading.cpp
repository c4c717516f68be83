// Fetching single objects for direct access: plain objects are cut out of the
// file between their offset and the next known offset, compressed ones out
// of their decoded object stream.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "pdf/core/byte_classes.h"
#include "pdf/core/stream_data.h"
#include "pdf/split/smart_pdf_reader.h"

namespace ostrel {

namespace {

// An indirect /Length may point at another stream whose /Length is indirect
// again; such chains end here rather than on the call stack.
constexpr size_t kMaxNesting = 8;

// The whitespace-separated tokens of an object stream's header as integers;
// a token that is not one reads as 0. At most `limit` values are kept.
std::vector<int64_t> HeaderNumbers(std::string_view text, size_t limit) {
  std::vector<int64_t> values;
  size_t pos = 0;
  while (values.size() < limit) {
    while (pos < text.size() && IsPdfWhiteSpace(text[pos])) ++pos;
    if (pos >= text.size()) break;
    const size_t start = pos;
    while (pos < text.size() && !IsPdfWhiteSpace(text[pos])) ++pos;
    int64_t value = 0;
    const char* end = text.data() + pos;
    auto [ptr, ec] = std::from_chars(text.data() + start, end, value);
    values.push_back(ec == std::errc() && ptr == end ? value : 0);
  }
  return values;
}

}  // namespace

std::optional<std::string_view> TSmartPDFReader::ReadObjectText(int32_t n) {
  const TSmartEntry* entry = Entry(n);
  if (!entry) return std::nullopt;
  if (entry->Type == 'n') return PlainObjectText(entry->Field2);
  if (entry->Type == 'c') return CompressedObjectText(n, *entry);
  return std::nullopt;
}

std::optional<std::string_view> TSmartPDFReader::PlainObjectText(int64_t offset) const {
  const auto size = static_cast<int64_t>(file_.size());
  if (offset <= 0 || offset >= size) return std::nullopt;
  int64_t end = offsets_.NextAbove(offset).value_or(size);
  if (end <= offset) end = size;
  const std::string_view text = file_.substr(static_cast<size_t>(offset), static_cast<size_t>(std::min(end, size) - offset));
  const size_t keyword = text.find("obj");
  if (keyword == std::string_view::npos) return std::nullopt;
  return text.substr(keyword + 3);
}

std::optional<std::string_view> TSmartPDFReader::CompressedObjectText(int32_t n, const TSmartEntry& entry) {
  if (entry.Field2 <= 0 || entry.Field2 > kMaxObjectNumber) return std::nullopt;
  const ObjectStream* stream = LoadObjectStream(static_cast<int32_t>(entry.Field2));
  if (!stream) return std::nullopt;
  const int64_t i = entry.Field3;
  if (i < 0 || i >= stream->N || static_cast<size_t>(2 * i + 1) >= stream->Header.size()) return std::nullopt;
  if (stream->Header[static_cast<size_t>(2 * i)] != n) return std::nullopt;
  const auto size = static_cast<int64_t>(stream->Data.size());
  const int64_t start = stream->First + stream->Header[static_cast<size_t>(2 * i + 1)];
  if (start < 0 || start > size) return std::nullopt;
  int64_t end = size;
  if (i + 1 < stream->N && static_cast<size_t>(2 * i + 3) < stream->Header.size()) {
    end = stream->First + stream->Header[static_cast<size_t>(2 * i + 3)];
    if (end < start || end > size) end = size;
  }
  return std::string_view(stream->Data).substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

TSmartPDFReader::ObjectStream* TSmartPDFReader::LoadObjectStream(int32_t number) {
  if (auto it = streamCache_.find(number); it != streamCache_.end()) return it->second.get();
  // A stream cannot live inside an object stream; an entry claiming so
  // (an object stream stored inside itself, say) is not followed.
  const TSmartEntry* entry = Entry(number);
  if (!entry || entry->Type != 'n') return nullptr;
  TPDFStructure scratch;
  InstallResolver(scratch);
  auto* stream = PdfCast<TPDFStream>(GetObject(number, scratch));
  if (!stream || stream->StreamDict->TypeName() != "ObjStm") return nullptr;
  auto result = std::make_unique<ObjectStream>();
  result->First = std::max(0, stream->StreamDict->GetInteger("First", 0));
  result->N = std::max(0, stream->StreamDict->GetInteger("N", 0));
  if (Encrypted && DecryptStreamHook) DecryptStreamHook(stream, number, Generation(number));
  result->Data = stream->DecodedData();
  const auto headerLength = static_cast<size_t>(std::min<int64_t>(result->First, result->Data.size()));
  // Two numbers per member; /N only bounds what is kept, it allocates nothing.
  const auto wanted = static_cast<size_t>(std::min<int64_t>(2 * result->N, headerLength));
  result->Header = HeaderNumbers(std::string_view(result->Data).substr(0, headerLength), wanted);

  cachedStreamBytes_ += result->Data.size();
  while (cachedStreamBytes_ > kMaxCachedStreamBytes && !streamOrder_.empty()) {
    auto oldest = streamCache_.find(streamOrder_.front());
    cachedStreamBytes_ -= oldest->second->Data.size();
    streamCache_.erase(oldest);
    streamOrder_.pop_front();
  }
  streamOrder_.push_back(number);
  return streamCache_.emplace(number, std::move(result)).first->second.get();
}

TPDFObject* TSmartPDFReader::GetObject(int32_t n, TPDFStructure& pool) {
  if (std::find(inProgress_.begin(), inProgress_.end(), n) != inProgress_.end()) return nullptr;
  if (inProgress_.size() >= kMaxNesting) return nullptr;
  const std::optional<std::string_view> text = ReadObjectText(n);
  if (!text) return nullptr;
  const TSmartEntry entry = *Entry(n);
  inProgress_.push_back(n);
  size_t consumed = 0;
  TPDFObject* value = pool.ParseObjectAt(*text, consumed);
  size_t bytes = consumed;
  if (std::string damage = IndirectValueDamage(*text, consumed, value); !damage.empty()) {
    pool_.Warn("object " + std::to_string(n) + " " + std::to_string(Generation(n)) + ": " + damage);
  }
  // Objects inside object streams are never streams themselves.
  if (auto* dict = PdfCast<TPDFDictionary>(value); dict && entry.Type == 'n') {
    std::string_view data;
    if (LocateStreamData(*text, consumed, dict, data)) {
      TPDFStream* stream = pool.NewStreamWith(dict, std::string(data));
      bytes += data.size();
      // Written as a direct number, /Length always matches the data copied.
      dict->SetValue("Length", pool.NewNumeric(static_cast<double>(data.size())));
      value = stream;
    }
  }
  value->MarkIndirect(n, Generation(n));
  if (DecryptObjectHook && entry.Type == 'n') DecryptObjectHook(value, n, Generation(n));
  inProgress_.pop_back();
  lastObjectBytes_ = bytes;
  return value;
}

bool TSmartPDFReader::LocateStreamData(std::string_view text, size_t dictEnd, TPDFDictionary* dict,
                                       std::string_view& data) {
  if (dictEnd > text.size() || text.size() - dictEnd < 13) return false;
  const size_t keyword = text.find("stream", dictEnd);
  if (keyword == std::string_view::npos) return false;
  // A dictionary that ends its object is no stream, whatever follows later.
  const size_t endobj = text.find("endobj", dictEnd);
  if (endobj != std::string_view::npos && endobj < keyword) return false;
  const size_t start = StreamDataStart(text, keyword + 6);
  if (start == std::string_view::npos) return false;

  TPDFObject* lengthValue = dict->GetValue("Length");
  if (auto* ref = PdfCast<TPDFIndRef>(lengthValue)) lengthValue = CachedObject(ref->RefNumber);
  const auto* length = PdfCast<TPDFNumeric>(lengthValue);
  // A missing, unreadable or too large /Length: the data runs up to the
  // "endstream" keyword instead of being dropped.
  if (!length || !(length->Value >= 0) || length->Value > static_cast<double>(text.size() - start)) {
    return DataUpToEndstream(text, start, data);
  }
  const size_t dataLength = StreamDataLength(text, start, static_cast<size_t>(length->Value));
  if (dataLength == std::string_view::npos) return DataUpToEndstream(text, start, data);
  data = text.substr(start, dataLength);
  return true;
}

TPDFObject* TSmartPDFReader::CachedObject(int32_t n) {
  if (auto it = objectCache_.find(n); it != objectCache_.end()) {
    cacheOrder_.splice(cacheOrder_.end(), cacheOrder_, it->second.Place);
    return it->second.Value;
  }
  TPDFObject* value = GetObject(n, *objects_);
  if (!value) return nullptr;
  cachedObjectBytes_ += lastObjectBytes_;
  // Dropped objects stay in the pool until ReleaseCachedObjects, so
  // pointers handed out earlier remain valid.
  cacheOrder_.push_back(n);
  objectCache_.emplace(n, CachedEntry{value, std::prev(cacheOrder_.end())});
  if (cacheOrder_.size() > kObjectCacheSize) {
    objectCache_.erase(cacheOrder_.front());
    cacheOrder_.pop_front();
  }
  return value;
}

void TSmartPDFReader::ForgetCachedObjects() {
  objectCache_.clear();
  cacheOrder_.clear();
}

void TSmartPDFReader::ReleaseCachedObjects() {
  ForgetCachedObjects();
  objects_ = std::make_unique<TPDFStructure>();
  InstallResolver(*objects_);
  objects_->Warnings = pool_.Warnings;
  cachedObjectBytes_ = 0;
}

}  // namespace ostrel
