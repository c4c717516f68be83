#pragma once
// A budget of decoded bytes for one piece of work: a page being rendered or
// read for text, or a document whose text is read page by page. A stream of a
// few hundred kilobytes can inflate to a gigabyte; every decoder asks how much
// it may still produce, stops just past that, and charges what it made. Once a
// budget is spent it stays spent, so the work ends quickly even where a
// caller catches the error and goes on; whoever owns the budget then reports
// the work as failed.
//
// Budgets are installed per thread by TDecodeBudgetScope and nest: a page of
// a document charges both. Without a budget installed, decoding is bounded
// only per stream.
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <string>

namespace ostrel {

// What one page may decode in all (the largest page of the sample corpus
// decodes 243 MB, nearly all of it one image), what of that may be content
// streams that the interpreter reads token by token (real pages hold a few
// megabytes at most), and what reading the text of one document may decode
// over all its pages. Content is bounded much tighter than images: a content
// bomb would otherwise cost its inflating and then minutes of reading.
inline constexpr size_t kPageDecodeBudget = size_t{1} << 30;
inline constexpr size_t kPageContentDecodeBudget = size_t{64} << 20;
inline constexpr size_t kDocumentTextDecodeBudget = size_t{2} << 30;

class TDecodeBudget {
 public:
  explicit TDecodeBudget(size_t limit) : Limit(limit) {}
  // Starts the budget over, for the next page.
  void Reset() {
    Used = 0;
    Exceeded = false;
  }
  const size_t Limit;
  size_t Used = 0;
  bool Exceeded = false;
};

// Raised by ChargeDecoded when a budget is spent.
class TDecodeBudgetExceeded : public std::runtime_error {
 public:
  TDecodeBudgetExceeded() : std::runtime_error("more decoded data than the budget allows") {}
};

// Makes budget the innermost budget of this thread for the scope's lifetime.
// A budget that is part of the outer one (the content of a page) spends the
// outer one too when it is spent; otherwise an inner budget spent leaves the
// outer one usable (the next page of a document).
class TDecodeBudgetScope {
 public:
  explicit TDecodeBudgetScope(TDecodeBudget& budget, bool partOfOuter = false);
  ~TDecodeBudgetScope();
  TDecodeBudgetScope(const TDecodeBudgetScope&) = delete;
  TDecodeBudgetScope& operator=(const TDecodeBudgetScope&) = delete;

 private:
  friend size_t DecodeAllowance();
  friend void ChargeDecoded(size_t);
  TDecodeBudget& budget_;
  TDecodeBudgetScope* outer_;
  bool partOfOuter_;
};

inline constexpr size_t kNoDecodeLimit = std::numeric_limits<size_t>::max();

// Bytes the innermost budgets of this thread still allow (the least of
// them); kNoDecodeLimit when none is installed, 0 once one is spent.
size_t DecodeAllowance();

// The output bound to hand a decoder: one byte past the allowance, so that
// output beyond it shows, and never above perStreamLimit.
size_t DecodeOutputBound(size_t perStreamLimit);

// The reason a page whose budget is spent gives: "page 3 decodes to more
// data than a page may: 64 MB of content, 1024 MB in all".
std::string DecodeBudgetMessage(int page);

// Adds bytes to every installed budget; throws TDecodeBudgetExceeded (and
// marks the budget spent) when one of them passes its limit.
void ChargeDecoded(size_t bytes);

}  // namespace ostrel
