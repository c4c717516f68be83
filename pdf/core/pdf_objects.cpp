#include "pdf/core/pdf_objects.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "pdf/core/number_format.h"
#include "pdf/core/pdf_structure.h"

namespace ostrel {
namespace {

constexpr char kHexUpper[] = "0123456789ABCDEF";

bool NameByteNeedsEscape(unsigned char b) {
  if (b <= 0x20 || b >= 0x7F) return true;
  switch (b) {
    case '/': case '(': case ')': case '#': case '%':
    case '[': case ']': case '{': case '}': case '<': case '>':
      return true;
    default:
      return false;
  }
}

bool EndsWithLf(const std::string& out) { return !out.empty() && out.back() == '\n'; }

}  // namespace

std::string TPDFObject::ToText() const {
  std::string out;
  ToText(out);
  return out;
}

void TPDFObject::Release() { Pool->ReleaseObject(this); }

// ---- scalars ----

void TPDFNull::ToText(std::string& out) const { out += "null"; }

void TPDFBoolean::ToText(std::string& out) const { out += Value ? "true" : "false"; }

void TPDFNumeric::ToText(std::string& out) const { AppendPdfNumber(out, Value, Pool->Decimals); }

int32_t TPDFNumeric::AsInteger() const {
  if (!std::isfinite(Value)) return 0;
  double rounded = std::nearbyint(Value);
  if (rounded >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  if (rounded <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(rounded);
}

void TPDFName::ToText(std::string& out) const {
  out += '/';
  for (unsigned char b : Value) {
    if (NameByteNeedsEscape(b)) {
      out += '#';
      out += kHexUpper[b >> 4];
      out += kHexUpper[b & 15];
    } else {
      out += static_cast<char>(b);
    }
  }
}

void TPDFString::ToText(std::string& out) const {
  if (Form == TPDFStringForm::Hex) {
    out += '<';
    for (unsigned char b : Value) {
      out += kHexUpper[b >> 4];
      out += kHexUpper[b & 15];
    }
    out += '>';
    return;
  }
  out += '(';
  for (char c : Value) {
    switch (c) {
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      case '(': out += "\\("; break;
      case ')': out += "\\)"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  out += ')';
}

void TPDFIndRef::ToText(std::string& out) const {
  out += std::to_string(RefNumber);
  out += ' ';
  out += std::to_string(RefGeneration);
  out += " R";
}

TPDFObject* TPDFIndRef::Resolve() const {
  return Pool->OnResolve ? Pool->OnResolve(RefNumber, RefGeneration) : nullptr;
}

// ---- arrays ----

void TPDFArray::ToText(std::string& out) const {
  out += "[ ";
  size_t lineStart = out.size() - 2;  // characters counted from the bracket
  for (const TPDFObject* member : Members) {
    if (member) member->ToText(out);
    if (!EndsWithLf(out)) out += ' ';
    if (out.size() - lineStart > 80) {
      out += '\n';
      lineStart = out.size();
    }
  }
  out += ']';
}

void TPDFArray::Release() {
  for (TPDFObject* member : Members) {
    if (member) Pool->ReleaseObject(member);
  }
  Pool->ReleaseObject(this);
}

void TPDFArray::ShiftReferences(int32_t delta) {
  for (TPDFObject* member : Members) {
    if (member) member->ShiftReferences(delta);
  }
}

bool TPDFArray::Holds(const TPDFObject* obj) const {
  for (const TPDFObject* member : Members) {
    if (member == obj) return true;
  }
  return false;
}

TPDFObject* TPDFArray::ItemResolved(size_t index) const {
  TPDFObject* item = Item(index);
  if (auto* ref = PdfCast<TPDFIndRef>(item)) return ref->Resolve();
  return item;
}

void TPDFArray::Reserve(size_t n) {
  if (SpareSlots() < n) Members.reserve(Members.size() + n);
}

void TPDFArray::Insert(long index, TPDFObject* obj) {
  if (index < 0 || static_cast<size_t>(index) > Members.size()) return;
  Members.insert(Members.begin() + index, obj);
}

void TPDFArray::Replace(size_t index, TPDFObject* obj) {
  if (index >= Members.size()) return;
  TPDFObject* old = Members[index];
  Members[index] = obj;
  if (old) Pool->ReleaseObject(old);
}

void TPDFArray::Delete(size_t index) {
  if (index >= Members.size()) return;
  TPDFObject* old = Members[index];
  Members.erase(Members.begin() + static_cast<long>(index));
  if (old) Pool->ReleaseObject(old);
}

bool TPDFArray::AllNumeric() const {
  for (const TPDFObject* member : Members) {
    if (!PdfCast<TPDFNumeric>(member)) return false;
  }
  return true;
}

long TPDFArray::IndexOfText(const TPDFObject* obj) const {
  if (!obj) return -1;
  std::string wanted = obj->ToText();
  for (size_t i = 0; i < Members.size(); ++i) {
    if (Members[i] && Members[i]->ToText() == wanted) return static_cast<long>(i);
  }
  return -1;
}

// ---- dictionaries ----

void TPDFDictionary::ToText(std::string& out) const {
  out += "<<\n";
  for (const auto& [key, value] : Pairs) {
    size_t pairStart = out.size();
    try {
      if (key) key->ToText(out);
      out += ' ';
      if (value) value->ToText(out);
      if (!EndsWithLf(out)) out += '\n';
    } catch (const std::exception&) {
      out.resize(pairStart);
      out += "% bug \n";
    }
  }
  out += ">>\n";
}

void TPDFDictionary::Release() {
  for (const auto& [key, value] : Pairs) {
    if (key) key->Release();
    if (value) value->Release();
  }
  Pool->ReleaseObject(this);
}

void TPDFDictionary::ShiftReferences(int32_t delta) {
  for (const auto& pair : Pairs) {
    if (pair.second) pair.second->ShiftReferences(delta);
  }
}

bool TPDFDictionary::Holds(const TPDFObject* obj) const {
  for (const auto& [key, value] : Pairs) {
    if (key == obj || value == obj) return true;
  }
  return false;
}

long TPDFDictionary::IndexOfKey(std::string_view key) const {
  for (size_t i = 0; i < Pairs.size(); ++i) {
    if (Pairs[i].first && Pairs[i].first->Value == key) return static_cast<long>(i);
  }
  return -1;
}

TPDFObject* TPDFDictionary::GetValue(std::string_view key, bool resolve) const {
  long index = IndexOfKey(key);
  if (index < 0) return nullptr;
  TPDFObject* value = Pairs[static_cast<size_t>(index)].second;
  if (resolve) {
    if (auto* ref = PdfCast<TPDFIndRef>(value)) return ref->Resolve();
  }
  return value;
}

int32_t TPDFDictionary::GetInteger(std::string_view key, int32_t defaultValue) const {
  auto* number = Get<TPDFNumeric>(key);
  return number ? number->AsInteger() : defaultValue;
}

double TPDFDictionary::GetNumber(std::string_view key, double defaultValue) const {
  auto* number = Get<TPDFNumeric>(key);
  return number ? number->Value : defaultValue;
}

std::string TPDFDictionary::TypeName() const {
  auto* name = PdfCast<TPDFName>(GetValue("Type"));
  return name ? name->Value : std::string();
}

size_t TPDFDictionary::SetEntry(TPDFName* key, TPDFObject* value) {
  long index = IndexOfKey(key->Value);
  if (index >= 0) {
    Pairs[static_cast<size_t>(index)].second = value;
    return static_cast<size_t>(index);
  }
  Pairs.emplace_back(key, value);
  return Pairs.size() - 1;
}

void TPDFDictionary::SetValue(std::string_view key, TPDFObject* value) {
  if (value == this) return;
  SetEntry(Pool->KeyName(key), value);
}

void TPDFDictionary::RemoveKey(std::string_view key) {
  long index = IndexOfKey(key);
  if (index >= 0) Pairs.erase(Pairs.begin() + index);
}

void TPDFDictionary::DeleteKey(std::string_view key) {
  long index = IndexOfKey(key);
  if (index < 0) return;
  auto [name, value] = Pairs[static_cast<size_t>(index)];
  if (PdfCast<TPDFDictionary>(value) || PdfCast<TPDFArray>(value)) value->Release();
  if (!TPDFStructure::IsWellKnownKey(key)) Pool->ReleaseObject(name);
  Pairs.erase(Pairs.begin() + IndexOfKey(key));
}

void TPDFDictionary::ReleaseAll() {
  auto pairs = std::move(Pairs);
  Pairs.clear();
  for (const auto& [key, value] : pairs) {
    if (key) Pool->ReleaseObject(key);
    if (value) Pool->ReleaseObject(value);
  }
}

void TPDFDictionary::AssignFrom(const TPDFDictionary* other) {
  if (!other || other == this) return;
  if (other->Pool == Pool) {
    Pairs = other->Pairs;
    return;
  }
  if (auto* copy = PdfCast<TPDFDictionary>(Pool->ParseObject(other->ToText()))) AssignFrom(copy);
}

// ---- streams ----

TPDFStream::TPDFStream(TPDFStructure* pool, TPDFDictionary* dict)
    : TPDFObject(pool), StreamDict(dict ? dict : pool->NewDictionary()) {}

void TPDFStream::ToText(std::string& out) const {
  StreamDict->ToText(out);
  out += "stream\n";
  out += RawData;
  out += "\nendstream";
}

void TPDFStream::Release() {
  StreamDict->Release();
  Pool->ReleaseObject(this);
}

void TPDFStream::ShiftReferences(int32_t delta) { StreamDict->ShiftReferences(delta); }

bool TPDFStream::Holds(const TPDFObject* obj) const {
  // The dictionary itself counts too: a stream never outlives its dictionary.
  return obj == StreamDict || StreamDict->Holds(obj);
}

void TPDFStream::SetRawData(std::string bytes) {
  RawData = std::move(bytes);
  double length = static_cast<double>(RawData.size());
  if (auto* number = PdfCast<TPDFNumeric>(StreamDict->GetValue("Length"))) {
    number->Value = length;
  } else {
    StreamDict->SetValue("Length", Pool->NewNumeric(length));
  }
}

void TPDFStream::SetDictionary(TPDFDictionary* dict) {
  if (!dict || dict == StreamDict) return;
  Pool->ReleaseObject(StreamDict);
  StreamDict = dict;
}

}  // namespace ostrel
