#pragma once
// A list of offsets that answers "where does the next thing start": every
// object and cross-reference section offset of a file, so that one object's
// text can be cut off where the next one begins.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace ostrel {

class TSortedNumberList {
 public:
  void Add(int64_t value) { values_.push_back(value); }
  void Sort() {
    std::sort(values_.begin(), values_.end());
    values_.erase(std::unique(values_.begin(), values_.end()), values_.end());
  }
  // The smallest entry greater than v, or the largest entry when none is
  // greater; nothing when the list is empty. Needs Sort first.
  std::optional<int64_t> NextAbove(int64_t v) const {
    if (values_.empty()) return std::nullopt;
    auto it = std::upper_bound(values_.begin(), values_.end(), v);
    return it == values_.end() ? values_.back() : *it;
  }
  size_t Count() const { return values_.size(); }

 private:
  std::vector<int64_t> values_;
};

}  // namespace ostrel
