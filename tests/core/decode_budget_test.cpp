// Decoding budgets: what a piece of work may decode, nested page within
// document, spent for good once passed.
#include "pdf/core/decode_budget.h"

#include <gtest/gtest.h>

#include "core/flate_bomb.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"

namespace ostrel {
namespace {

TPDFStream* FlateStream(TPDFStructure& pool, const std::string& encoded) {
  TPDFDictionary* dict = pool.NewDictionary();
  dict->SetValue("Filter", pool.NewName("FlateDecode"));
  return pool.NewStreamWith(dict, encoded);
}

TEST(DecodeBudget, NestedBudgetsChargeTogetherAndStaySpent) {
  TPDFStructure pool;
  TPDFStream* mebibyte = FlateStream(pool, testing::FlateBomb(size_t{1} << 20));
  EXPECT_EQ(DecodeAllowance(), kNoDecodeLimit);
  EXPECT_EQ(mebibyte->DecodedData().size(), size_t{1} << 20);  // no budget: no charge, no limit

  TDecodeBudget document(size_t{8} << 20);
  TDecodeBudgetScope documentScope(document);
  {
    TDecodeBudget page(size_t{3} << 19);  // 1.5 MiB
    TDecodeBudgetScope pageScope(page);
    EXPECT_EQ(mebibyte->DecodedData().size(), size_t{1} << 20);
    EXPECT_EQ(DecodeAllowance(), size_t{1} << 19);
    EXPECT_THROW(mebibyte->DecodedData(), TDecodeBudgetExceeded);
    EXPECT_TRUE(page.Exceeded);
    EXPECT_FALSE(document.Exceeded);
    // Spent stays spent: even an empty charge fails now.
    EXPECT_EQ(DecodeAllowance(), 0u);
    EXPECT_THROW(ChargeDecoded(0), TDecodeBudgetExceeded);
  }
  // The next page starts afresh; the document counts everything so far
  // (the stopped decoding charged one byte past the page's allowance).
  EXPECT_EQ(document.Used, (size_t{3} << 19) + 1);
  TDecodeBudget page(size_t{2} << 20);
  TDecodeBudgetScope pageScope(page);
  EXPECT_EQ(mebibyte->DecodedData().size(), size_t{1} << 20);
}

TEST(DecodeBudget, AGibibyteBombStopsJustPastTheAllowance) {
  TPDFStructure pool;
  const std::string encoded = testing::FlateBomb(size_t{1} << 30);
  EXPECT_LT(encoded.size(), size_t{1100} << 10);
  TPDFStream* bomb = FlateStream(pool, encoded);
  TDecodeBudget page(size_t{4} << 20);
  TDecodeBudgetScope scope(page);
  EXPECT_THROW(bomb->DecodedData(), TDecodeBudgetExceeded);
  EXPECT_EQ(page.Used, (size_t{4} << 20) + 1);
}

}  // namespace
}  // namespace ostrel
