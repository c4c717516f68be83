#include "pdf/render/content/render_lookup.h"

#include <cmath>

#include "pdf/core/pdf_objects.h"

namespace ostrel {

namespace {
constexpr int kMaxParentDepth = 64;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

TPDFObject* ResolveObject(TPDFObject* obj) {
  if (auto* ref = PdfCast<TPDFIndRef>(obj)) return ref->Resolve();
  return obj;
}

TPDFObject* InheritedEntry(TPDFDictionary* dict, std::string_view key) {
  for (int depth = 0; dict && depth < kMaxParentDepth; ++depth) {
    if (dict->IndexOfKey(key) >= 0) {
      if (TPDFObject* value = ResolveObject(dict->GetValue(key))) return value;
    }
    auto* parent = PdfCast<TPDFDictionary>(ResolveObject(dict->GetValue("Parent")));
    if (parent == dict) break;
    dict = parent;
  }
  return nullptr;
}

bool ReadNumbers(TPDFArray* array, double* out, size_t count) {
  if (!array || array->Count() != count) return false;
  for (size_t i = 0; i < count; ++i) {
    auto* n = PdfCast<TPDFNumeric>(ResolveObject(array->Item(i)));
    if (!n || !std::isfinite(n->Value)) return false;
    out[i] = n->Value;
  }
  return true;
}

TPDFObject* ResourceEntryRaw(TPDFDictionary* resources, std::string_view category, std::string_view key) {
  if (!resources) return nullptr;
  auto* sub = PdfCast<TPDFDictionary>(ResolveObject(resources->GetValue(category)));
  return sub ? sub->GetValue(key) : nullptr;
}

TPDFObject* ResourceEntry(TPDFDictionary* resources, std::string_view category, std::string_view key) {
  return ResolveObject(ResourceEntryRaw(resources, category, key));
}

std::string NameKey(std::string_view token) {
  if (!token.empty() && token[0] == '/') token.remove_prefix(1);
  std::string key;
  key.reserve(token.size());
  for (size_t i = 0; i < token.size(); ++i) {
    int hi, lo;
    if (token[i] == '#' && i + 2 < token.size() &&
        (hi = HexValue(token[i + 1])) >= 0 && (lo = HexValue(token[i + 2])) >= 0) {
      key.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    } else {
      key.push_back(token[i]);
    }
  }
  return key;
}

}  // namespace ostrel
