#pragma once
// The object pool: creates, owns and frees the PDF objects of one document,
// resolves references through the document's callback and parses object text.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pdf/core/pdf_objects.h"

namespace ostrel {

class TWarningLog;

// What is wrong with the text of an indirect object's value (the text after
// "obj") that ParseObjectAt read as value up to consumed: "" when nothing,
// else the repair the reader made ("unexpected token, read as null").
std::string IndirectValueDamage(std::string_view text, size_t consumed, const TPDFObject* value);

class TPDFStructure {
 public:
  TPDFStructure();
  ~TPDFStructure();
  TPDFStructure(const TPDFStructure&) = delete;
  TPDFStructure& operator=(const TPDFStructure&) = delete;

  // Installed by the owning document.
  std::function<TPDFObject*(int32_t number, int32_t generation)> OnResolve;
  std::function<std::pair<int32_t, int32_t>(TPDFObject* direct)> OnMakeIndirect;
  // Where the readers of this pool's objects report recoverable damage;
  // none: the warnings are dropped. Not owned.
  TWarningLog* Warnings = nullptr;
  void Warn(std::string text) const;

  bool MultiLineDicts = true;
  std::string NumberPattern = "0.0000";
  int Decimals = 4;  // fraction digits written for numbers

  TPDFNull* NewNull();
  TPDFBoolean* NewBoolean(bool value);
  TPDFNumeric* NewNumeric(double value);
  TPDFName* NewName(std::string_view value);
  TPDFString* NewString(std::string_view bytes, TPDFStringForm form = TPDFStringForm::Literal);
  TPDFArray* NewArray();
  TPDFArray* NewArrayOf(std::initializer_list<TPDFObject*> members);
  TPDFArray* NewIntegerArray(std::initializer_list<int64_t> values);
  TPDFArray* NewRealArray(std::initializer_list<double> values);
  TPDFDictionary* NewDictionary();
  TPDFIndRef* NewIndRef(int32_t number, int32_t generation);
  TPDFStream* NewStream(std::string_view data, bool compress);
  TPDFStream* NewStreamWith(TPDFDictionary* dict, std::string rawBytes);

  // Takes ownership of obj and returns it.
  template <class T>
  T* Adopt(T* obj) {
    AdoptObject(obj);
    return obj;
  }
  void Reserve(size_t n);
  size_t Count() const { return pooled_.size(); }
  TPDFObject* ObjectAt(size_t index) const { return index < pooled_.size() ? pooled_[index] : nullptr; }

  // The name object to use as a dictionary key; well-known keys are shared.
  TPDFName* KeyName(std::string_view text);
  // The first pooled name with this value, or nullptr.
  TPDFName* FindName(std::string_view text) const;
  // Frees obj unless it is a shared key or another pooled object holds it.
  void ReleaseObject(TPDFObject* obj);
  void Clear();

  // Reads one object from text; never fails: unreadable text gives a null.
  TPDFObject* ParseObject(std::string_view text);
  TPDFObject* ParseObjectAt(std::string_view text, size_t& consumed);

  // True when "[" + text + "]" occurs in the list of well-known key names.
  static bool IsWellKnownKey(std::string_view text);

 private:
  void AdoptObject(TPDFObject* obj);

  std::vector<TPDFObject*> pooled_;  // owned
  // First pooled name per value, so that FindName needs no scan.
  std::unordered_map<std::string, TPDFName*> firstName_;
};

}  // namespace ostrel
