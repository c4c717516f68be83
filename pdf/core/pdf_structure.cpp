#include "pdf/core/pdf_structure.h"

#include <algorithm>

#include "pdf/core/warning_log.h"

namespace ostrel {
namespace {

constexpr std::string_view kWellKnownKeys =
    "[MediaBox][Length][CropBox][Type][Subtype][Name][Pages][Page][Parent][Font][Contents]"
    "[BaseFont][PDF][Text][ImageB][ImageC][ImageI][Resources][ProcSet][ExtGState][Type1]"
    "[TrueType][WinAnsiEncoding][Filter][FlateDecode][Annot][URI][Goto][XYZ][iSKW][Ostrel]";

}  // namespace

TPDFStructure::TPDFStructure() = default;

void TPDFStructure::Warn(std::string text) const {
  if (Warnings) Warnings->Add(std::move(text));
}

TPDFStructure::~TPDFStructure() {
  for (TPDFObject* obj : pooled_) delete obj;
}

bool TPDFStructure::IsWellKnownKey(std::string_view text) {
  std::string bracketed;
  bracketed.reserve(text.size() + 2);
  bracketed += '[';
  bracketed += text;
  bracketed += ']';
  return kWellKnownKeys.find(bracketed) != std::string_view::npos;
}

void TPDFStructure::AdoptObject(TPDFObject* obj) {
  if (pooled_.capacity() - pooled_.size() < 100) Reserve(std::max<size_t>(1000, pooled_.size() / 2));
  pooled_.push_back(obj);
  if (auto* name = PdfCast<TPDFName>(obj)) firstName_.try_emplace(name->Value, name);
}

void TPDFStructure::Reserve(size_t n) {
  if (pooled_.capacity() - pooled_.size() < n) pooled_.reserve(pooled_.size() + n);
}

TPDFNull* TPDFStructure::NewNull() { return Adopt(new TPDFNull(this)); }
TPDFBoolean* TPDFStructure::NewBoolean(bool value) { return Adopt(new TPDFBoolean(this, value)); }
TPDFNumeric* TPDFStructure::NewNumeric(double value) { return Adopt(new TPDFNumeric(this, value)); }
TPDFName* TPDFStructure::NewName(std::string_view value) {
  return Adopt(new TPDFName(this, std::string(value)));
}
TPDFString* TPDFStructure::NewString(std::string_view bytes, TPDFStringForm form) {
  return Adopt(new TPDFString(this, std::string(bytes), form));
}
TPDFArray* TPDFStructure::NewArray() { return Adopt(new TPDFArray(this)); }
TPDFDictionary* TPDFStructure::NewDictionary() { return Adopt(new TPDFDictionary(this)); }
TPDFIndRef* TPDFStructure::NewIndRef(int32_t number, int32_t generation) {
  return Adopt(new TPDFIndRef(this, number, generation));
}

TPDFArray* TPDFStructure::NewArrayOf(std::initializer_list<TPDFObject*> members) {
  TPDFArray* array = NewArray();
  array->Members.assign(members.begin(), members.end());
  return array;
}

TPDFArray* TPDFStructure::NewIntegerArray(std::initializer_list<int64_t> values) {
  TPDFArray* array = NewArray();
  for (int64_t v : values) array->Add(NewNumeric(static_cast<double>(v)));
  return array;
}

TPDFArray* TPDFStructure::NewRealArray(std::initializer_list<double> values) {
  TPDFArray* array = NewArray();
  for (double v : values) array->Add(NewNumeric(v));
  return array;
}

TPDFStream* TPDFStructure::NewStream(std::string_view data, bool compress) {
  TPDFStream* stream = Adopt(new TPDFStream(this, nullptr));
  stream->SetData(data, compress);
  return stream;
}

TPDFStream* TPDFStructure::NewStreamWith(TPDFDictionary* dict, std::string rawBytes) {
  TPDFStream* stream = Adopt(new TPDFStream(this, dict));
  stream->RawData = std::move(rawBytes);
  return stream;
}

TPDFName* TPDFStructure::KeyName(std::string_view text) {
  TPDFName* name = IsWellKnownKey(text) ? FindName(text) : nullptr;
  if (!name) name = NewName(text);
  name->IsSharedKey = true;
  return name;
}

TPDFName* TPDFStructure::FindName(std::string_view text) const {
  auto it = firstName_.find(std::string(text));
  return it == firstName_.end() ? nullptr : it->second;
}

void TPDFStructure::ReleaseObject(TPDFObject* obj) {
  if (!obj) return;
  auto it = std::find(pooled_.rbegin(), pooled_.rend(), obj);
  if (it == pooled_.rend()) return;
  if (auto* name = PdfCast<TPDFName>(obj); name && name->IsSharedKey) return;
  for (const TPDFObject* other : pooled_) {
    if (other != obj && other->Holds(obj)) return;
  }
  pooled_.erase(std::next(it).base());
  if (auto* name = PdfCast<TPDFName>(obj)) {
    auto first = firstName_.find(name->Value);
    if (first != firstName_.end() && first->second == name) {
      firstName_.erase(first);
      for (TPDFObject* other : pooled_) {
        if (auto* same = PdfCast<TPDFName>(other); same && same->Value == name->Value) {
          firstName_.emplace(same->Value, same);
          break;
        }
      }
    }
  }
  delete obj;
}

void TPDFStructure::Clear() {
  for (TPDFObject* obj : pooled_) delete obj;
  pooled_.clear();
  firstName_.clear();
  NumberPattern = "0.0000";
  Decimals = 4;
  MultiLineDicts = true;
}

}  // namespace ostrel
