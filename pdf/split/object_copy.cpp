#include "pdf/split/object_copy.h"

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"

namespace ostrel {
namespace {

// Parsed values nest no deeper than the parser allows, so recursion is bounded.
TPDFObject* CopyPart(const TPDFObject* value, TPDFStructure& pool) {
  switch (value->Kind()) {
    case TPDFKind::Null: return pool.NewNull();
    case TPDFKind::Boolean: return pool.NewBoolean(static_cast<const TPDFBoolean*>(value)->Value);
    case TPDFKind::Numeric: return pool.NewNumeric(static_cast<const TPDFNumeric*>(value)->Value);
    case TPDFKind::Name: return pool.NewName(static_cast<const TPDFName*>(value)->Value);
    case TPDFKind::String: {
      const auto* string = static_cast<const TPDFString*>(value);
      return pool.NewString(string->Value, string->Form);
    }
    case TPDFKind::IndRef: {
      const auto* ref = static_cast<const TPDFIndRef*>(value);
      return pool.NewIndRef(ref->RefNumber, ref->RefGeneration);
    }
    case TPDFKind::Array: {
      const auto* array = static_cast<const TPDFArray*>(value);
      TPDFArray* copy = pool.NewArray();
      copy->Members.reserve(array->Members.size());
      for (const TPDFObject* member : array->Members) copy->Members.push_back(CopyObject(member, pool));
      return copy;
    }
    case TPDFKind::Dictionary: {
      const auto* dict = static_cast<const TPDFDictionary*>(value);
      TPDFDictionary* copy = pool.NewDictionary();
      copy->Pairs.reserve(dict->Pairs.size());
      for (const auto& [key, member] : dict->Pairs) {
        copy->Pairs.emplace_back(pool.KeyName(key->Value), CopyObject(member, pool));
      }
      return copy;
    }
    case TPDFKind::Stream: {
      const auto* stream = static_cast<const TPDFStream*>(value);
      auto* dict = static_cast<TPDFDictionary*>(CopyObject(stream->StreamDict, pool));
      return pool.NewStreamWith(dict, stream->RawData);
    }
  }
  return pool.NewNull();
}

}  // namespace

TPDFObject* CopyObject(const TPDFObject* value, TPDFStructure& pool) {
  if (!value) return nullptr;
  TPDFObject* copy = CopyPart(value, pool);
  copy->MarkIndirect(value->ObjectNumber, value->Generation);
  return copy;
}

}  // namespace ostrel
