#include "pdf/render/colour/pdf_function.h"

#include <algorithm>

#include "pdf/render/colour/pdf_function_types.h"

namespace ostrel {

namespace {

constexpr int kMaxReferenceChain = 16;

// Domain and Range of every function kind; m must be at least 1 and both
// counts stay within the input and output bounds.
bool ReadDomainAndRange(TPDFDictionary* dict, TPDFFunction& f) {
  if (!ReadNumbers(dict->GetValue("Domain"), 2 * kMaxFunctionInputs + 1, f.Domain)) return false;
  if (!ReadNumbers(dict->GetValue("Range"), 2 * kMaxFunctionOutputs + 1, f.Range)) return false;
  f.Domain.resize(f.Domain.size() / 2 * 2);
  f.Range.resize(f.Range.size() / 2 * 2);
  return f.InputCount() >= 1;
}

}  // namespace

TPDFObject* ResolveChain(TPDFObject* obj) {
  for (int hop = 0; hop < kMaxReferenceChain; ++hop) {
    auto* ref = PdfCast<TPDFIndRef>(obj);
    if (!ref) return obj;
    obj = ref->Resolve();
  }
  return nullptr;
}

bool ReadNumbers(TPDFObject* obj, size_t limit, std::vector<double>& out) {
  out.clear();
  obj = ResolveChain(obj);
  if (!obj) return true;
  auto* array = PdfCast<TPDFArray>(obj);
  if (!array || array->Count() > limit) return false;
  out.reserve(array->Count());
  for (size_t i = 0; i < array->Count(); ++i) {
    auto* number = PdfCast<TPDFNumeric>(array->ItemResolved(i));
    out.push_back(number ? number->Value : 0.0);
  }
  return true;
}

std::unique_ptr<TPDFFunction> CreateFunction(TPDFObject* obj) {
  TPDFFunctionLoad load;
  return CreateFunction(obj, load);
}

std::unique_ptr<TPDFFunction> CreateFunction(TPDFObject* obj, TPDFFunctionLoad& load) {
  obj = ResolveChain(obj);
  if (!obj || load.Depth >= kMaxFunctionDepth || load.Made >= kMaxFunctionsPerLoad) return nullptr;
  if (std::find(load.Path.begin(), load.Path.end(), obj) != load.Path.end()) return nullptr;
  auto* stream = PdfCast<TPDFStream>(obj);
  auto* dict = stream ? stream->StreamDict : PdfCast<TPDFDictionary>(obj);
  if (!dict) return nullptr;
  ++load.Made;

  auto* type = PdfCast<TPDFNumeric>(dict->GetValue("FunctionType", true));
  const int32_t kind = type && type->Value == type->AsInteger() ? type->AsInteger() : -1;
  std::unique_ptr<TPDFFunction> result;
  bool ok = false;
  switch (kind) {
    case 0: {
      if (!stream) return nullptr;
      auto f = std::make_unique<TPDFType0Function>();
      ok = ReadDomainAndRange(dict, *f) && f->Load(dict, stream->DecodedData());
      result = std::move(f);
      break;
    }
    case 2: {
      auto f = std::make_unique<TPDFType2Function>();
      ok = ReadDomainAndRange(dict, *f) && f->Load(dict);
      result = std::move(f);
      break;
    }
    case 3: {
      auto f = std::make_unique<TPDFType3Function>();
      load.Path.push_back(obj);
      ++load.Depth;
      ok = ReadDomainAndRange(dict, *f) && f->Load(dict, load);
      --load.Depth;
      load.Path.pop_back();
      result = std::move(f);
      break;
    }
    case 4: {
      if (!stream) return nullptr;
      auto f = std::make_unique<TPDFType4Function>();
      ok = ReadDomainAndRange(dict, *f) && f->Load(stream->DecodedData());
      result = std::move(f);
      break;
    }
    default:
      return nullptr;
  }
  if (!ok) return nullptr;
  return result;
}

}  // namespace ostrel
