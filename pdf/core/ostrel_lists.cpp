#include "pdf/core/ostrel_lists.h"

#include <algorithm>

namespace ostrel {

int TOstrelStringList::Compare(std::string_view a, std::string_view b) const {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (!caseSensitive_) {
      if (x >= 'a' && x <= 'z') x -= 32;
      if (y >= 'a' && y <= 'z') y -= 32;
    }
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool TOstrelStringList::Find(std::string_view text, size_t& index) const {
  size_t lo = 0;
  size_t hi = items_.size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    int c = Compare(items_[mid].Text, text);
    if (c < 0) {
      lo = mid + 1;
    } else if (c > 0) {
      hi = mid;
    } else {
      // The first of equal entries.
      while (mid > 0 && Compare(items_[mid - 1].Text, text) == 0) --mid;
      index = mid;
      return true;
    }
  }
  index = lo;
  return false;
}

size_t TOstrelStringList::Add(std::string_view text, void* object) {
  if (!sorted_) {
    items_.push_back({std::string(text), object});
    return items_.size() - 1;
  }
  size_t index = 0;
  if (Find(text, index) && !AcceptDuplicates) return index;
  items_.insert(items_.begin() + static_cast<long>(index), {std::string(text), object});
  return index;
}

void TOstrelStringList::Insert(size_t index, std::string_view text, void* object) {
  if (index > items_.size()) return;
  items_.insert(items_.begin() + static_cast<long>(index), {std::string(text), object});
}

void TOstrelStringList::Delete(size_t index) {
  if (index < items_.size()) items_.erase(items_.begin() + static_cast<long>(index));
}

long TOstrelStringList::IndexOf(std::string_view text) const {
  if (sorted_) {
    size_t index = 0;
    return Find(text, index) ? static_cast<long>(index) : -1;
  }
  for (size_t i = 0; i < items_.size(); ++i) {
    if (Compare(items_[i].Text, text) == 0) return static_cast<long>(i);
  }
  return -1;
}

long TOstrelStringList::IndexOfObject(const void* object) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].Object == object) return static_cast<long>(i);
  }
  return -1;
}

long TOstrelStringList::IndexOfName(std::string_view name) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    std::string_view text = items_[i].Text;
    size_t eq = text.find('=');
    if (eq != std::string_view::npos && Compare(text.substr(0, eq), name) == 0) return static_cast<long>(i);
  }
  return -1;
}

std::string TOstrelStringList::Value(std::string_view name) const {
  long index = IndexOfName(name);
  if (index < 0) return {};
  const std::string& text = items_[static_cast<size_t>(index)].Text;
  return text.substr(text.find('=') + 1);
}

void TOstrelStringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const Item& a, const Item& b) { return Compare(a.Text, b.Text) < 0; });
}

void TOstrelStringList::SetSorted(bool sorted) {
  if (sorted && !sorted_) Sort();
  sorted_ = sorted;
}

std::string TOstrelStringList::AsText() const {
  std::string out;
  for (const Item& item : items_) {
    out += item.Text;
    out += "\r\n";
  }
  return out;
}

void TOstrelStringList::SetAsText(std::string_view text) {
  Clear();
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n' || c == '\0') {
      Add(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) Add(text.substr(start));
}

void TOstrelIntegerList::Sort() { std::sort(items_.begin(), items_.end()); }

bool TOSLSortedUniqueIntegerList::Mark(uint32_t n) {
  auto& page = pages_[n >> 16];
  if (!page) page = std::make_unique<Page>(Page{});
  uint32_t bit = n & 0xFFFF;
  uint64_t mask = uint64_t{1} << (bit & 63);
  uint64_t& word = (*page)[bit >> 6];
  if (word & mask) return false;
  word |= mask;
  return true;
}

bool TOSLSortedUniqueIntegerList::Contains(uint32_t n) const {
  auto it = pages_.find(n >> 16);
  if (it == pages_.end()) return false;
  uint32_t bit = n & 0xFFFF;
  return ((*it->second)[bit >> 6] >> (bit & 63)) & 1;
}

}  // namespace ostrel
