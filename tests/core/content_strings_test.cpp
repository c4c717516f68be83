#include "pdf/core/content_strings.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(ContentLiteralUnescape, EscapesAndOctal) {
  EXPECT_EQ(ContentLiteralUnescape("(a\\(b)"), "a(b");
  EXPECT_EQ(ContentLiteralUnescape("(\\n\\r\\t\\b\\f\\)\\\\)"), "\n\r\t\b\f)\\");
  EXPECT_EQ(ContentLiteralUnescape("(\\101\\0612)"), "A12");
  EXPECT_EQ(ContentLiteralUnescape("(\\8)"), "8");
  EXPECT_EQ(ContentLiteralUnescape("(\\18)"), "\x01" "8");  // 8 is not an octal digit
  EXPECT_EQ(ContentLiteralUnescape("(\\1234)"), "S4");      // at most three digits
  EXPECT_EQ(ContentLiteralUnescape("(\\777)"), "\xff");
  EXPECT_EQ(ContentLiteralUnescape("(\\0)"), std::string(1, '\0'));
  EXPECT_EQ(ContentLiteralUnescape("(\\q)"), "q");
}

TEST(ContentLiteralUnescape, LineContinuationsAndBareCR) {
  EXPECT_EQ(ContentLiteralUnescape("(ab\\\r\ncd\\\ref\\\ngh)"), "abcdefgh");
  EXPECT_EQ(ContentLiteralUnescape("(a\rb)"), "a\rb");
  EXPECT_EQ(ContentLiteralUnescape("(ab\\)"), "ab");
  EXPECT_EQ(ContentLiteralUnescape("()"), "");
  EXPECT_EQ(ContentLiteralUnescape("("), "");
}

TEST(ContentHexDecode, DigitsLettersAndBrackets) {
  EXPECT_EQ(ContentHexDecode("<48 65 6c 6C 6f>"), "Hello");
  EXPECT_EQ(ContentHexDecode("<ABC>"), "\xab\xc0");
  EXPECT_EQ(ContentHexDecode("<4G41>"), std::string("\0A", 2));  // non-hex pair gives 0
  EXPECT_EQ(ContentHexDecode("<4\n1-4.2>"), "AB");
  EXPECT_EQ(ContentHexDecode("<>"), "");
  EXPECT_EQ(ContentHexDecode("4142>"), "");
  EXPECT_EQ(ContentHexDecode("<4142"), "");
}

}  // namespace
}  // namespace ostrel
