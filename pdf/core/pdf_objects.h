#pragma once
// The PDF object family. Every object belongs to one pool (TPDFStructure),
// which alone frees it; everything else refers to objects by plain pointer.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostrel {

class TPDFStructure;

enum class TPDFKind : uint8_t { Null, Boolean, Numeric, Name, String, Array, Dictionary, Stream, IndRef };

class TPDFObject {
 public:
  explicit TPDFObject(TPDFStructure* pool) : Pool(pool) {}
  virtual ~TPDFObject() = default;
  TPDFObject(const TPDFObject&) = delete;
  TPDFObject& operator=(const TPDFObject&) = delete;

  virtual TPDFKind Kind() const = 0;
  // Appends the object in PDF syntax to out.
  virtual void ToText(std::string& out) const = 0;
  std::string ToText() const;
  // Offers the object back to its pool; see TPDFStructure::ReleaseObject.
  virtual void Release();
  // Adds delta to the number of every reference reachable from here.
  virtual void ShiftReferences(int32_t delta) {}
  // True when obj is a direct member (key, value or array element) of this.
  virtual bool Holds(const TPDFObject* obj) const { return false; }

  void MarkIndirect(int32_t number, int32_t generation) {
    ObjectNumber = number;
    Generation = generation;
  }

  TPDFStructure* const Pool;
  int32_t ObjectNumber = 0;  // number of the indirect object this is the value of
  int32_t Generation = 0;
};

// Checked downcast: the object as T when it is one, else nullptr (null-safe).
template <class T>
T* PdfCast(TPDFObject* obj) {
  return obj && obj->Kind() == T::kKind ? static_cast<T*>(obj) : nullptr;
}
template <class T>
const T* PdfCast(const TPDFObject* obj) {
  return obj && obj->Kind() == T::kKind ? static_cast<const T*>(obj) : nullptr;
}

class TPDFNull final : public TPDFObject {
 public:
  static constexpr TPDFKind kKind = TPDFKind::Null;
  using TPDFObject::TPDFObject;
  TPDFKind Kind() const override { return kKind; }
  using TPDFObject::ToText;
  void ToText(std::string& out) const override;
};

class TPDFBoolean final : public TPDFObject {
 public:
  static constexpr TPDFKind kKind = TPDFKind::Boolean;
  TPDFBoolean(TPDFStructure* pool, bool value) : TPDFObject(pool), Value(value) {}
  TPDFKind Kind() const override { return kKind; }
  using TPDFObject::ToText;
  void ToText(std::string& out) const override;
  bool Value;
};

class TPDFNumeric final : public TPDFObject {
 public:
  static constexpr TPDFKind kKind = TPDFKind::Numeric;
  TPDFNumeric(TPDFStructure* pool, double value) : TPDFObject(pool), Value(value) {}
  TPDFKind Kind() const override { return kKind; }
  using TPDFObject::ToText;
  void ToText(std::string& out) const override;
  // Value rounded to the nearest integer, ties to even, clamped to 32 bits.
  int32_t AsInteger() const;
  double Value;
};

class TPDFName final : public TPDFObject {
 public:
  static constexpr TPDFKind kKind = TPDFKind::Name;
  TPDFName(TPDFStructure* pool, std::string value) : TPDFObject(pool), Value(std::move(value)) {}
  TPDFKind Kind() const override { return kKind; }
  using TPDFObject::ToText;
  void ToText(std::string& out) const override;
  std::string Value;  // bytes without the slash, escapes decoded
  bool IsSharedKey = false;
};

enum class TPDFStringForm : uint8_t { Literal = 0, Hex = 1 };

class TPDFString final : public TPDFObject {
 public:
  static constexpr TPDFKind kKind = TPDFKind::String;
  TPDFString(TPDFStructure* pool, std::string value, TPDFStringForm form)
      : TPDFObject(pool), Value(std::move(value)), Form(form) {}
  TPDFKind Kind() const override { return kKind; }
  using TPDFObject::ToText;
  void ToText(std::string& out) const override;
  std::string Value;  // the decoded bytes
  TPDFStringForm Form;
};

class TPDFIndRef final : public TPDFObject {
 public:
  static constexpr TPDFKind kKind = TPDFKind::IndRef;
  TPDFIndRef(TPDFStructure* pool, int32_t number, int32_t generation)
      : TPDFObject(pool), RefNumber(number), RefGeneration(generation) {}
  TPDFKind Kind() const override { return kKind; }
  using TPDFObject::ToText;
  void ToText(std::string& out) const override;
  void ShiftReferences(int32_t delta) override { RefNumber += delta; }
  // The value of the referenced object through the pool's resolver, or nullptr.
  TPDFObject* Resolve() const;
  int32_t RefNumber;
  int32_t RefGeneration;
};

class TPDFArray final : public TPDFObject {
 public:
  static constexpr TPDFKind kKind = TPDFKind::Array;
  using TPDFObject::TPDFObject;
  TPDFKind Kind() const override { return kKind; }
  using TPDFObject::ToText;
  void ToText(std::string& out) const override;
  void Release() override;
  void ShiftReferences(int32_t delta) override;
  bool Holds(const TPDFObject* obj) const override;

  size_t Count() const { return Members.size(); }
  TPDFObject* Item(size_t index) const { return index < Members.size() ? Members[index] : nullptr; }
  // Item resolved when it is a reference.
  TPDFObject* ItemResolved(size_t index) const;
  void Add(TPDFObject* obj) { Members.push_back(obj); }
  void Reserve(size_t n);
  size_t SpareSlots() const { return Members.capacity() - Members.size(); }
  void Insert(long index, TPDFObject* obj);
  void Replace(size_t index, TPDFObject* obj);
  void Delete(size_t index);
  bool AllNumeric() const;
  long IndexOfText(const TPDFObject* obj) const;

  std::vector<TPDFObject*> Members;  // a slot may be empty (nullptr)
};

class TPDFDictionary final : public TPDFObject {
 public:
  static constexpr TPDFKind kKind = TPDFKind::Dictionary;
  using Pair = std::pair<TPDFName*, TPDFObject*>;
  using TPDFObject::TPDFObject;
  TPDFKind Kind() const override { return kKind; }
  using TPDFObject::ToText;
  void ToText(std::string& out) const override;
  void Release() override;
  void ShiftReferences(int32_t delta) override;
  bool Holds(const TPDFObject* obj) const override;

  size_t Count() const { return Pairs.size(); }
  Pair EntryAt(size_t index) const {
    return index < Pairs.size() ? Pairs[index] : Pair{nullptr, nullptr};
  }
  long IndexOfKey(std::string_view key) const;
  TPDFObject* GetValue(std::string_view key, bool resolve = false) const;
  // The value resolved and cast to T, or nullptr.
  template <class T>
  T* Get(std::string_view key) const {
    return PdfCast<T>(GetValue(key, true));
  }
  int32_t GetInteger(std::string_view key, int32_t defaultValue) const;
  double GetNumber(std::string_view key, double defaultValue) const;
  std::string TypeName() const;
  size_t SetEntry(TPDFName* key, TPDFObject* value);
  void SetValue(std::string_view key, TPDFObject* value);
  void RemoveKey(std::string_view key);
  void DeleteKey(std::string_view key);
  void ReleaseAll();
  void AssignFrom(const TPDFDictionary* other);

  std::vector<Pair> Pairs;
};

// Cached data a document attaches to a stream (the index of an object stream).
struct TPDFStreamAttachment {
  virtual ~TPDFStreamAttachment() = default;
};

class TPDFStream final : public TPDFObject {
 public:
  static constexpr TPDFKind kKind = TPDFKind::Stream;
  TPDFStream(TPDFStructure* pool, TPDFDictionary* dict);
  TPDFKind Kind() const override { return kKind; }
  using TPDFObject::ToText;
  void ToText(std::string& out) const override;
  void Release() override;
  void ShiftReferences(int32_t delta) override;
  bool Holds(const TPDFObject* obj) const override;

  void SetRawData(std::string bytes);
  void SetData(std::string_view bytes, bool compress);
  // SetData without compression, taking over bytes.
  void SetPlainData(std::string bytes);
  void SetDictionary(TPDFDictionary* dict);
  // RawData with every stream filter of /Filter applied. What the filters
  // make is charged to this thread's decode budgets (decode_budget.h), and
  // TDecodeBudgetExceeded ends the decoding when one is spent.
  std::string DecodedData() const;

  TPDFDictionary* StreamDict;
  std::string RawData;  // as stored in the file, still encoded
  TPDFStreamAttachment* Attachment = nullptr;  // owned by the document
};

}  // namespace ostrel
