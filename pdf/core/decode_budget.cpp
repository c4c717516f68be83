#include "pdf/core/decode_budget.h"

#include <algorithm>

namespace ostrel {
namespace {
thread_local TDecodeBudgetScope* innermost = nullptr;
}  // namespace

TDecodeBudgetScope::TDecodeBudgetScope(TDecodeBudget& budget, bool partOfOuter)
    : budget_(budget), outer_(innermost), partOfOuter_(partOfOuter) {
  innermost = this;
}

TDecodeBudgetScope::~TDecodeBudgetScope() { innermost = outer_; }

size_t DecodeAllowance() {
  size_t allowance = kNoDecodeLimit;
  for (const TDecodeBudgetScope* scope = innermost; scope; scope = scope->outer_) {
    const TDecodeBudget& budget = scope->budget_;
    allowance = std::min(allowance, budget.Exceeded ? 0 : budget.Limit - std::min(budget.Used, budget.Limit));
  }
  return allowance;
}

size_t DecodeOutputBound(size_t perStreamLimit) {
  const size_t allowance = DecodeAllowance();
  return allowance >= perStreamLimit ? perStreamLimit : allowance + 1;
}

std::string DecodeBudgetMessage(int page) {
  auto mb = [](size_t bytes) { return std::to_string(bytes >> 20) + " MB"; };
  return "page " + std::to_string(page) + " decodes to more data than a page may: " + mb(kPageContentDecodeBudget) +
         " of content, " + mb(kPageDecodeBudget) + " in all";
}

void ChargeDecoded(size_t bytes) {
  bool spent = false;
  bool spendOuter = false;
  for (TDecodeBudgetScope* scope = innermost; scope; scope = scope->outer_) {
    TDecodeBudget& budget = scope->budget_;
    budget.Used = bytes > kNoDecodeLimit - budget.Used ? kNoDecodeLimit : budget.Used + bytes;
    if (budget.Used > budget.Limit || spendOuter) budget.Exceeded = true;
    spendOuter = budget.Exceeded && scope->partOfOuter_;
    spent = spent || budget.Exceeded;
  }
  if (spent) throw TDecodeBudgetExceeded();
}

}  // namespace ostrel
