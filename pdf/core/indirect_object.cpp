// The slots of the object table: finding an object's text (in the file or in
// an object stream), parsing it on first use and decrypting it.
#include <algorithm>
#include <charconv>

#include "pdf/core/byte_classes.h"
#include "pdf/core/pdf_document.h"
#include "pdf/core/security_handler.h"
#include "pdf/core/stream_data.h"

namespace ostrel {
namespace {

constexpr int kMaxObjectStreamNesting = 16;

bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.'; }

// Drops bytes up to the first digit or point and takes the run of digits and
// points that follows.
std::string_view TakeNumberRun(std::string_view& text) {
  size_t start = 0;
  while (start < text.size() && !IsNumberChar(text[start])) ++start;
  size_t end = start;
  while (end < text.size() && IsNumberChar(text[end])) ++end;
  std::string_view run = text.substr(start, end - start);
  text.remove_prefix(end);
  return run;
}

bool RunEquals(std::string_view run, int32_t value) {
  double parsed = 0;
  auto [ptr, ec] = std::from_chars(run.data(), run.data() + run.size(), parsed);
  return ec == std::errc() && ptr == run.data() + run.size() && parsed == value;
}

std::string NumberText(int64_t value) { return std::to_string(value); }

// The members of the object stream's index as integers; false when not numbers.
bool IndexNumber(const TPDFArray* table, size_t index, int64_t& value) {
  auto* number = PdfCast<TPDFNumeric>(table->Item(index));
  if (!number) return false;
  value = number->AsInteger();
  return true;
}

}  // namespace

std::string TPDFIndObj::ObjectText() const {
  if (InObjectStream) return Document->ObjectStreamText(*this);
  const std::string& file = Document->FileImage;
  // Offsets at or past the end, or lengths running past it, give only what
  // the file holds.
  if (TextOffset <= 0 || static_cast<uint64_t>(TextOffset) >= file.size() || TextLength <= 0) return {};
  size_t length = std::min<uint64_t>(static_cast<uint64_t>(TextLength), file.size() - TextOffset);
  return file.substr(static_cast<size_t>(TextOffset), length);
}

void TPDFIndObj::ParseText() {
  IsParsed = true;
  if (InObjectStream) IsPlain = true;  // the object stream was decrypted as a whole
  TPDFStructure& pool = Document->Pool();
  std::string text = ObjectText();
  std::string_view rest = text;
  std::string_view number = TakeNumberRun(rest);
  std::string_view generation = TakeNumberRun(rest);
  while (!rest.empty() && IsPdfWhiteSpace(rest.front())) rest.remove_prefix(1);
  std::string_view keyword;
  if (rest.starts_with("obj(") || rest.starts_with("obj<<") || rest.starts_with("obj[") || rest.starts_with("obj/")) {
    keyword = rest.substr(0, 3);
  } else {
    size_t end = 0;
    while (end < rest.size() && !IsPdfWhiteSpace(rest[end])) ++end;
    keyword = rest.substr(0, end);
  }
  rest.remove_prefix(keyword.size());
  while (!rest.empty() && IsPdfWhiteSpace(rest.front())) rest.remove_prefix(1);

  TPDFObject* value = nullptr;
  const std::string name = "object " + NumberText(ObjectNumber) + " " + NumberText(Generation);
  if (keyword != "obj" || !RunEquals(number, ObjectNumber) || !RunEquals(generation, Generation)) {
    pool.Warn(name + ": not found where the cross-reference table says, read as null");
  } else {
    size_t consumed = 0;
    value = pool.ParseObjectAt(rest, consumed);
    if (std::string damage = IndirectValueDamage(rest, consumed, value); !damage.empty()) {
      pool.Warn(name + ": " + damage);
    }
    std::string data;
    if (auto* dict = PdfCast<TPDFDictionary>(value);
        dict && Document->FindStreamData(rest, std::min(consumed, rest.size()), dict, data)) {
      TPDFStream* stream = pool.NewStreamWith(dict, {});
      stream->SetRawData(std::move(data));
      value = stream;
    }
  }
  if (!value) value = pool.NewNull();
  value->MarkIndirect(ObjectNumber, Generation);
  Value = value;
}

TPDFObject* TPDFIndObj::GetIndValue() {
  if (!IsParsed) ParseText();
  if (!IsPlain && Document->CanDecrypt()) {
    IsPlain = true;
    std::string key = Document->security_->ObjectKey(ObjectNumber, Generation);
    // The /Encrypt dictionary's own object has no key and stays as it is.
    if (!key.empty()) Document->security_->DecryptObject(key, Value);
  }
  return Value;
}

void TPDFIndObj::WriteText(std::string& out) {
  TPDFObject* value = GetIndValue();
  out += NumberText(ObjectNumber);
  out += ' ';
  out += NumberText(Generation);
  out += " obj\n";
  if (value) value->ToText(out);
  if (out.back() != '\n') out += '\n';
  out += "endobj\n";
}

bool TPDFDocument::FindStreamData(std::string_view text, size_t dataFrom, TPDFDictionary* dict, std::string& data) {
  if (text.find("stream") == std::string_view::npos) return false;
  if (text.size() - dataFrom < 13) return false;
  size_t keyword = text.find("stream", dataFrom);
  if (keyword == std::string_view::npos) return false;
  const size_t start = StreamDataStart(text, keyword + 6);
  if (start == std::string_view::npos) return false;

  auto* lengthValue = PdfCast<TPDFNumeric>(dict->GetValue("Length", true));
  if (!lengthValue || !(lengthValue->Value >= 0)) return false;
  if (lengthValue->Value > static_cast<double>(text.size() - start)) {
    // A declared length is never trusted past the object's own text: the
    // data runs up to the final "endstream", less the line break before it.
    std::string_view upToEnd;
    if (!DataUpToEndstream(text, start, upToEnd)) return false;
    data.assign(upToEnd);
    return true;
  }
  const size_t length = StreamDataLength(text, start, static_cast<size_t>(lengthValue->Value));
  if (length == std::string_view::npos) return false;
  data.assign(text.substr(start, length));
  return true;
}

TPDFObjectStream* TPDFDocument::AttachObjectStream(TPDFStream* stream) {
  auto cache = std::make_unique<TPDFObjectStream>();
  auto* first = PdfCast<TPDFNumeric>(stream->StreamDict->GetValue("First", true));
  auto* count = PdfCast<TPDFNumeric>(stream->StreamDict->GetValue("N", true));
  cache->FirstOffset = first ? first->AsInteger() : 0;
  cache->ObjectCount = count ? count->AsInteger() : 0;
  cache->DecodedText = stream->DecodedData();
  size_t headerLength = static_cast<size_t>(std::clamp<int64_t>(cache->FirstOffset, 0, cache->DecodedText.size()));
  std::string header = "[ " + cache->DecodedText.substr(0, headerLength) + " ]";
  cache->OffsetTable = PdfCast<TPDFArray>(pool_->ParseObject(header));
  stream->Attachment = cache.get();
  objectStreams_.push_back(std::move(cache));
  return objectStreams_.back().get();
}

std::string TPDFDocument::ObjectStreamText(const TPDFIndObj& slot) {
  std::string head = NumberText(slot.ObjectNumber) + " " + NumberText(slot.Generation) + " obj\r";
  std::string missing = head + "null\rendobj";
  TPDFIndObj* container = FindIndObj(slot.StreamNumber);
  if (!container || container == &slot || container->InObjectStream) return missing;
  static thread_local int nesting = 0;
  if (nesting >= kMaxObjectStreamNesting) return missing;
  ++nesting;
  TPDFObject* value = nullptr;
  try {
    value = container->GetIndValue();  // decrypts the container first when needed
  } catch (...) {
    --nesting;
    throw;
  }
  --nesting;
  auto* stream = PdfCast<TPDFStream>(value);
  if (!stream || stream->StreamDict->TypeName() != "ObjStm") return missing;
  auto* cache = dynamic_cast<TPDFObjectStream*>(stream->Attachment);
  if (!cache) cache = AttachObjectStream(stream);

  const TPDFArray* table = cache->OffsetTable;
  int64_t n = cache->ObjectCount;
  int64_t i = slot.StreamIndex;
  if (!table || cache->FirstOffset <= 0 || n <= 0 || i < 0 || i >= n || static_cast<int64_t>(table->Count()) < 2 * n) {
    return missing;
  }
  int64_t number = 0, offset = 0, end = static_cast<int64_t>(cache->DecodedText.size());
  if (!IndexNumber(table, 2 * i, number) || number != slot.ObjectNumber) return missing;
  if (!IndexNumber(table, 2 * i + 1, offset)) return missing;
  int64_t next = 0;
  if (i < n - 1 && IndexNumber(table, 2 * i + 3, next)) end = next;
  int64_t size = static_cast<int64_t>(cache->DecodedText.size());
  int64_t from = cache->FirstOffset + offset;
  int64_t to = std::min(cache->FirstOffset + end, size);
  if (offset < 0 || from >= size || to <= from) return missing;
  return head + cache->DecodedText.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
}

}  // namespace ostrel
