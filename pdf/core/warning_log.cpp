#include "pdf/core/warning_log.h"

namespace ostrel {

void TWarningLog::Add(std::string text) {
  std::lock_guard guard(lock_);
  ++count_;
  if (count_ <= kMaxKept) {
    lines_.push_back(std::move(text));
    return;
  }
  std::string more = std::to_string(count_ - kMaxKept) + " more warning" + (count_ - kMaxKept > 1 ? "s" : "");
  if (count_ == kMaxKept + 1) {
    lines_.push_back(std::move(more));
  } else {
    lines_.back() = std::move(more);
  }
}

void TWarningLog::Clear() {
  std::lock_guard guard(lock_);
  lines_.clear();
  count_ = 0;
}

}  // namespace ostrel
