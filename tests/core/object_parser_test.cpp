#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "pdf/core/decimal_reading.h"
#include "pdf/core/pdf_structure.h"

namespace ostrel {
namespace {

using namespace std::string_literals;

class ObjectParserTest : public ::testing::Test {
 protected:
  TPDFObject* Parse(std::string_view text) { return pool.ParseObjectAt(text, consumed); }

  template <class T>
  T* ParseAs(std::string_view text) {
    T* obj = PdfCast<T>(Parse(text));
    EXPECT_NE(obj, nullptr) << "text: " << text;
    return obj;
  }

  double Number(std::string_view text) {
    auto* number = ParseAs<TPDFNumeric>(text);
    return number ? number->Value : -12345;
  }

  std::string StringValue(std::string_view text) {
    auto* str = ParseAs<TPDFString>(text);
    return str ? str->Value : "<not a string>";
  }

  std::string NameValue(std::string_view text) {
    auto* name = ParseAs<TPDFName>(text);
    return name ? name->Value : "<not a name>";
  }

  // No object: a fresh null, and nothing consumed beyond leading white space.
  void ExpectNoObject(std::string_view text, size_t stoppedAt = 0) {
    TPDFObject* obj = Parse(text);
    EXPECT_NE(PdfCast<TPDFNull>(obj), nullptr) << "text: " << text;
    EXPECT_EQ(consumed, stoppedAt) << "text: " << text;
  }

  TPDFStructure pool;
  size_t consumed = 99;
};

TEST(DecimalReadingTest, AcceptsPlainDecimalsOnly) {
  EXPECT_DOUBLE_EQ(ReadDecimal("-.25"), -0.25);
  EXPECT_DOUBLE_EQ(ReadDecimal("  12.5\n"), 12.5);
  EXPECT_DOUBLE_EQ(ReadDecimal("3.1415926535"), 3.141592653);
  EXPECT_DOUBLE_EQ(ReadDecimal("12345678901"), 12345678901.0);
  EXPECT_DOUBLE_EQ(ReadDecimal("-9223372036854775808"), -9223372036854775808.0);
  EXPECT_DOUBLE_EQ(ReadDecimal("7."), 7.0);
  for (std::string_view bad : {"", "-", "+1", "1-2", "--1", "1.2.3", "1e5", "0x10", "1 2",
                               "99999999999999999999"}) {
    EXPECT_EQ(ReadDecimal(bad), 0.0) << bad;
  }
}

TEST(DecimalReadingTest, HugeIntegerPartWithPointDoesNotOverflow) {
  // The magnitude is read unsigned-side first, so the most negative 64-bit
  // integer part cannot overflow when its sign is taken off.
  EXPECT_DOUBLE_EQ(ReadDecimal("-9223372036854775807.5"), -9223372036854775807.5);
  EXPECT_DOUBLE_EQ(ReadDecimal("-9223372036854775808.5"), -0.5);
}

TEST_F(ObjectParserTest, NumbersAndReferences) {
  auto* ref = ParseAs<TPDFIndRef>("12 0 R");
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->RefNumber, 12);
  EXPECT_EQ(ref->RefGeneration, 0);
  EXPECT_EQ(consumed, 6u);

  EXPECT_EQ(Number("12 0 obj"), 12);
  EXPECT_EQ(consumed, 2u);
  EXPECT_EQ(Number("12 R"), 12);
  EXPECT_EQ(consumed, 2u);

  ref = ParseAs<TPDFIndRef>("7 3R/Next");  // no delimiter needed around the R
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->RefGeneration, 3);
  EXPECT_EQ(consumed, 4u);

  ref = ParseAs<TPDFIndRef>("5 % note\n 2.9 R");  // generation truncated
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->RefNumber, 5);
  EXPECT_EQ(ref->RefGeneration, 2);

  EXPECT_EQ(Number("1.5 0 R"), 1.5);  // a point ends the look-ahead
  EXPECT_EQ(consumed, 3u);
  EXPECT_EQ(Number("-.5"), -0.5);
  EXPECT_EQ(Number("5."), 5);
  EXPECT_EQ(Number("."), 0);
  EXPECT_EQ(Number("123456789"), 123456789);
  EXPECT_EQ(Number("3.1415926535"), 3.141592653);
  EXPECT_EQ(Number("1.2.3"), 1.2);
  EXPECT_EQ(consumed, 3u);
  EXPECT_EQ(Number("-"), 0);
  EXPECT_EQ(Number("--5"), 0);
  EXPECT_EQ(consumed, 1u);
  EXPECT_EQ(Number("12345678901234567890"), 0);  // overflow reads as 0
  ExpectNoObject("+5");
}

TEST_F(ObjectParserTest, ReferenceNumbersOutsideThirtyOneBitsAreNumbers) {
  auto* ref = ParseAs<TPDFIndRef>("2147483647 65535 R");
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->RefNumber, 2147483647);

  // Truncated to 32 bits these would name object 1, or a negative object.
  EXPECT_EQ(Number("4294967297 0 R"), 4294967297.0);
  EXPECT_EQ(consumed, 10u);
  EXPECT_EQ(Number("2147483648 0 R"), 2147483648.0);
  EXPECT_EQ(Number("-1 0 R"), -1);
  EXPECT_EQ(consumed, 2u);
  EXPECT_EQ(Number("1 4294967296 R"), 1);
  EXPECT_EQ(consumed, 1u);

  auto* array = ParseAs<TPDFArray>("[4294967297 0 R]");
  ASSERT_NE(array, nullptr);
  ASSERT_EQ(array->Count(), 2u);  // the R is no object and ends the array
  EXPECT_EQ(PdfCast<TPDFNumeric>(array->Item(0))->Value, 4294967297.0);
  EXPECT_EQ(PdfCast<TPDFNumeric>(array->Item(1))->Value, 0);
}

TEST_F(ObjectParserTest, KeywordsNeedAnEnd) {
  EXPECT_TRUE(ParseAs<TPDFBoolean>("true")->Value);
  EXPECT_FALSE(ParseAs<TPDFBoolean>("false/X")->Value);
  EXPECT_EQ(consumed, 5u);
  ParseAs<TPDFNull>("null]");
  EXPECT_EQ(consumed, 4u);
  ExpectNoObject("nullx");
  ExpectNoObject("true}");  // a closing brace is not a delimiter
  ExpectNoObject("tru");
}

TEST_F(ObjectParserTest, SkipsWhiteSpaceAndComments) {
  EXPECT_EQ(NameValue("\0\t\r\n\f /A"s), "A");
  EXPECT_EQ(consumed, 8u);
  EXPECT_EQ(NameValue("% one\r% two\n  /B  "), "B");
  EXPECT_EQ(consumed, 16u);
  ExpectNoObject("% only a remark", 15);
  ExpectNoObject("", 0);
  ExpectNoObject("   ", 2);  // the last byte is never skipped as white space
  ExpectNoObject("  ) ", 2);
}

TEST_F(ObjectParserTest, LiteralStrings) {
  EXPECT_EQ(StringValue("(a\\(b)"), "a(b");
  EXPECT_EQ(StringValue("(a(b)c)"), "a(b)c");
  EXPECT_EQ(consumed, 7u);
  ExpectNoObject("((a(b)");
  EXPECT_EQ(StringValue("(\\101\\0612)"), "A12");
  EXPECT_EQ(StringValue("(\\8)"), "\x08");
  EXPECT_EQ(StringValue("(\\400\\1234)"), "\0S4"s);  // three digits at most, modulo 256
  EXPECT_EQ(StringValue("(\\b\\f\\n\\r\\t\\(\\)\\\\)"), "\b\f\n\r\t()\\");
  EXPECT_EQ(StringValue("(a\\\nb\\\r\nc\\\rd)"), "abcd");
  EXPECT_EQ(StringValue("(a\r\nb\rc\n\rd)"), "a\nb\nc\n\nd");
  EXPECT_EQ(StringValue("(\\q\\)"), "\\q\\");  // unknown escape keeps its backslash
  EXPECT_EQ(StringValue("(a\\\\)"), "a\\");
  auto* str = ParseAs<TPDFString>("(x)");
  EXPECT_EQ(str->Form, TPDFStringForm::Literal);
}

TEST_F(ObjectParserTest, HexadecimalStrings) {
  EXPECT_EQ(StringValue("<48 65 6c\n6C 6f>"), "Hello");
  EXPECT_EQ(StringValue("<ABC>"), "\xAB\xC0");
  EXPECT_EQ(StringValue("<4g1>"), "A");  // stray bytes are dropped
  EXPECT_EQ(StringValue("<>"), "");
  EXPECT_EQ(consumed, 2u);
  // Unterminated: the last byte stands in for the closing bracket.
  EXPECT_EQ(StringValue("<41424"), "AB");
  EXPECT_EQ(consumed, 6u);
  EXPECT_EQ(StringValue("<"), "");
  EXPECT_EQ(ParseAs<TPDFString>("<00>")->Form, TPDFStringForm::Hex);
}

TEST_F(ObjectParserTest, Names) {
  EXPECT_EQ(NameValue("/A#20B"), "A B");
  EXPECT_EQ(NameValue("/A#2"), "A#2");
  EXPECT_EQ(NameValue("/A#2323"), "A#23");  // a decoded "#" is not decoded again
  EXPECT_EQ(NameValue("/A#zz#41"), "A#zzA");
  EXPECT_EQ(NameValue("/A}"), "A}");
  EXPECT_EQ(NameValue("/A{"), "A");
  EXPECT_EQ(NameValue("/A/B"), "A");
  EXPECT_EQ(consumed, 2u);
  EXPECT_EQ(NameValue("/"), "");
  EXPECT_EQ(NameValue("/ "), "");
  EXPECT_FALSE(ParseAs<TPDFName>("/Type")->IsSharedKey);
}

TEST_F(ObjectParserTest, Dictionaries) {
  auto* dict = ParseAs<TPDFDictionary>("<</A 1/B[2 3]/C(x)>>");
  ASSERT_NE(dict, nullptr);
  ASSERT_EQ(dict->Count(), 3u);
  EXPECT_EQ(dict->GetInteger("A", 0), 1);
  EXPECT_EQ(PdfCast<TPDFArray>(dict->GetValue("B"))->Count(), 2u);
  EXPECT_EQ(PdfCast<TPDFString>(dict->GetValue("C"))->Value, "x");
  EXPECT_EQ(consumed, 20u);

  dict = ParseAs<TPDFDictionary>("<< /A 1 /B >>");
  ASSERT_EQ(dict->Count(), 1u);
  EXPECT_EQ(consumed, 13u);

  dict = ParseAs<TPDFDictionary>("<</A % remark\n 5 /B /X /A 6>>");
  ASSERT_EQ(dict->Count(), 2u);
  EXPECT_EQ(dict->EntryAt(0).first->Value, "A");  // repeated key replaced in place
  EXPECT_EQ(dict->GetInteger("A", 0), 6);

  dict = ParseAs<TPDFDictionary>("<</A 1 2 /B 3>>");  // a non-name key ends the dictionary
  ASSERT_EQ(dict->Count(), 1u);

  dict = ParseAs<TPDFDictionary>("<</A <</B [1 2");  // unterminated: what was read is kept
  ASSERT_EQ(dict->Count(), 1u);
  EXPECT_EQ(consumed, 14u);

  ParseAs<TPDFDictionary>("<<>>");
  EXPECT_EQ(consumed, 4u);
  ExpectNoObject("<<>");  // too short for a dictionary, and not a hexadecimal string
}

TEST_F(ObjectParserTest, LargeDictionaryKeepsFirstKeyOrder) {
  std::string text = "<<";
  for (int i = 0; i < 200; ++i) text += "/K" + std::to_string(i) + " " + std::to_string(i) + " ";
  for (int i = 0; i < 200; i += 7) text += "/K" + std::to_string(i) + " -1 ";
  text += ">>";
  auto* dict = ParseAs<TPDFDictionary>(text);
  ASSERT_NE(dict, nullptr);
  ASSERT_EQ(dict->Count(), 200u);
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(dict->EntryAt(static_cast<size_t>(i)).first->Value, "K" + std::to_string(i));
    EXPECT_EQ(dict->GetInteger("K" + std::to_string(i), 0), i % 7 == 0 ? -1 : i);
  }
}

TEST_F(ObjectParserTest, Arrays) {
  auto* array = ParseAs<TPDFArray>("[1/A(s)<41>[true]<</K null>>2 0 R]");
  ASSERT_NE(array, nullptr);
  ASSERT_EQ(array->Count(), 7u);
  EXPECT_NE(PdfCast<TPDFIndRef>(array->Item(6)), nullptr);

  array = ParseAs<TPDFArray>("[1 2");  // unterminated: ends with the text
  ASSERT_EQ(array->Count(), 2u);
  array = ParseAs<TPDFArray>("[1 ) 2]");  // an unreadable byte ends the array there
  ASSERT_EQ(array->Count(), 1u);
  EXPECT_EQ(consumed, 3u);
  ExpectNoObject("[");
  ParseAs<TPDFArray>("[]");
}

TEST_F(ObjectParserTest, ReferenceArraysReserveBoundedSpareSlots) {
  auto* kids = ParseAs<TPDFArray>("[1 0 R 2 0 R 3 0 R 4 0 R] 5 0 R");
  ASSERT_NE(kids, nullptr);
  EXPECT_EQ(kids->Count(), 4u);
  EXPECT_GE(kids->Members.capacity(), 4u);

  // A stretch of "R" letters must not buy an allocation larger than the text.
  std::string hostile = "[1 0 R /" + std::string(100000, 'R') + "]";
  auto* array = ParseAs<TPDFArray>(hostile);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(array->Count(), 2u);
  EXPECT_LE(array->Members.capacity(), hostile.size() / 4 + 1);

  // Nested arrays share one budget instead of each reserving a text's worth.
  std::string nested;
  for (int i = 0; i < 500; ++i) nested += "[1 0 R";
  nested += " /" + std::string(100000, 'R');
  TPDFStructure nestedPool;
  auto* outer = PdfCast<TPDFArray>(nestedPool.ParseObject(nested));
  ASSERT_NE(outer, nullptr);
  size_t reserved = 0;
  for (size_t i = 0; i < nestedPool.Count(); ++i) {
    if (auto* a = PdfCast<TPDFArray>(nestedPool.ObjectAt(i))) reserved += a->Members.capacity();
  }
  EXPECT_LE(reserved, nested.size() / 4 + 2 * 500);
}

size_t ArrayDepth(const TPDFObject* obj) {
  size_t depth = 0;
  while (auto* array = PdfCast<TPDFArray>(obj)) {
    ++depth;
    obj = array->Item(0);
  }
  return depth;
}

TEST_F(ObjectParserTest, NestingIsBounded) {
  const std::string deepest = std::string(512, '[') + std::string(512, ']');
  EXPECT_EQ(ArrayDepth(Parse(deepest)), 512u);
  EXPECT_EQ(consumed, deepest.size());

  // Past the bound nothing more is read: the too-deep array is not
  // re-read as a sibling one level up.
  const std::string tooDeep = std::string(513, '[') + std::string(513, ']');
  auto* outer = PdfCast<TPDFArray>(Parse(tooDeep));
  EXPECT_EQ(ArrayDepth(outer), 512u);
  EXPECT_EQ(outer->Count(), 1u);
  EXPECT_EQ(consumed, 512u);

  // Far deeper input, of either container, must not exhaust the stack.
  EXPECT_EQ(ArrayDepth(Parse(std::string(200000, '['))), 512u);
  std::string dicts;
  for (int i = 0; i < 100000; ++i) dicts += "<</A";
  ParseAs<TPDFDictionary>(dicts);
}

// Parsing what ToText wrote gives the same text back.
TEST_F(ObjectParserTest, RoundTripsThroughText) {
  const std::string_view samples[] = {
      "<</Type/Page/MediaBox[0 0 612 792]/Parent 3 0 R/Contents[4 0 R 5 0 R]"
      "/Resources<</Font<</F1 6 0 R>>/ProcSet[/PDF/Text]>>>>",
      "[(a\\(b\\)c\\\\\\r\\n\\t\\b\\f\\013\\377) <00AB> /A#20B#23#E9 -0.25 1.2346 true false null]",
      "<</Long[1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30"
      " 31 32 33 34 35 36 37 38 39 40]/Empty<<>>/E[]/S()>>",
  };
  for (std::string_view sample : samples) {
    const std::string first = Parse(sample)->ToText();
    EXPECT_EQ(Parse(first)->ToText(), first) << sample;
    EXPECT_EQ(consumed, first.size() - (first.back() == '\n' ? 1 : 0)) << sample;
  }
  EXPECT_EQ(Parse("<</Type/Page/MediaBox[0 0 612 792]>>")->ToText(),
            "<<\n/Type /Page\n/MediaBox [ 0 0 612 792 ]\n>>\n");
  EXPECT_EQ(Parse("(a\\(b\\)\\\\c\r\x0b)")->ToText(), "(a\\(b\\)\\\\c\\n\x0b)");
}

}  // namespace
}  // namespace ostrel
