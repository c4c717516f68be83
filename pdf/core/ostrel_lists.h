#pragma once
// The library's small containers: text lists, integer lists and a sparse set
// of object numbers.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ostrel {

// Ordered list of (text, object) pairs; case-insensitive by default.
class TOstrelStringList {
 public:
  TOstrelStringList() = default;
  virtual ~TOstrelStringList() = default;

  size_t Count() const { return items_.size(); }
  // Appends (or, when sorted, inserts in order; a text already present is not
  // added again unless duplicates are accepted). Returns the index.
  size_t Add(std::string_view text, void* object = nullptr);
  void Insert(size_t index, std::string_view text, void* object = nullptr);
  void Delete(size_t index);
  void Clear() { items_.clear(); }
  const std::string& Text(size_t index) const { return items_.at(index).Text; }
  void SetText(size_t index, std::string_view text) { items_.at(index).Text = std::string(text); }
  void* Object(size_t index) const { return index < items_.size() ? items_[index].Object : nullptr; }
  void SetObject(size_t index, void* object) { items_.at(index).Object = object; }
  long IndexOf(std::string_view text) const;
  long IndexOfObject(const void* object) const;
  // Entries of the form name=value.
  long IndexOfName(std::string_view name) const;
  std::string Value(std::string_view name) const;

  void Sort();
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  bool AcceptDuplicates = false;

  // Every entry followed by CR LF; and the reverse (split at CR, LF, CR LF or NUL).
  std::string AsText() const;
  void SetAsText(std::string_view text);

 protected:
  explicit TOstrelStringList(bool caseSensitive) : caseSensitive_(caseSensitive) {}
  int Compare(std::string_view a, std::string_view b) const;

 private:
  struct Item {
    std::string Text;
    void* Object;
  };
  // Binary search in a sorted list: index found (true) or insertion point (false).
  bool Find(std::string_view text, size_t& index) const;

  std::vector<Item> items_;
  bool caseSensitive_ = false;
  bool sorted_ = false;
};

class TOstrelCaseSensitiveStringList : public TOstrelStringList {
 public:
  TOstrelCaseSensitiveStringList() : TOstrelStringList(true) {}
};

// List of 32-bit integers with an ascending sort.
class TOstrelIntegerList {
 public:
  size_t Count() const { return items_.size(); }
  void Add(int32_t value) { items_.push_back(value); }
  int32_t Item(size_t index) const { return items_.at(index); }
  void Clear() { items_.clear(); }
  void Sort();
  const std::vector<int32_t>& Items() const { return items_; }

 private:
  std::vector<int32_t> items_;
};

// Set of non-negative integers kept as pages of 65,536 flags, a page
// allocated on first use.
class TOSLSortedUniqueIntegerList {
 public:
  // Marks n; true when it was not marked before.
  bool Mark(uint32_t n);
  bool Contains(uint32_t n) const;
  void Clear() { pages_.clear(); }

 private:
  using Page = std::array<uint64_t, 65536 / 64>;
  std::unordered_map<uint32_t, std::unique_ptr<Page>> pages_;
};

}  // namespace ostrel
