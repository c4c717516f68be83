#include "pdf/render/colour/pdf_function.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/render/colour/colour_test_support.h"

namespace ostrel {
namespace {

class PdfFunctionTest : public ::testing::Test {
 protected:
  std::unique_ptr<TPDFFunction> Make(std::string_view text) { return CreateFunction(objects.Parse(text)); }
  std::unique_ptr<TPDFFunction> Sampled(std::string_view dict, std::string data) {
    return CreateFunction(objects.Stream(dict, std::move(data)));
  }
  std::unique_ptr<TPDFFunction> Calculator(std::string program, std::string_view extra = "/Range [0 100]") {
    std::string dict = "<< /FunctionType 4 /Domain [-100 100 -100 100] " + std::string(extra) + " >>";
    return CreateFunction(objects.Stream(dict, std::move(program)));
  }
  static std::vector<double> Run(const TPDFFunction& f, std::vector<double> in) {
    std::vector<double> out;
    EXPECT_TRUE(f.Evaluate(in, out));
    return out;
  }
  // The single output of a calculator program run without inputs.
  double Calc(const std::string& program) {
    auto f = Calculator(program);
    if (!f) return -9999;
    std::vector<double> out;
    return f->Evaluate({}, out) ? out[0] : -8888;
  }
  testing_support::TestObjects objects;
};

TEST_F(PdfFunctionTest, RejectsWhatIsNoFunction) {
  EXPECT_EQ(Make("<< /FunctionType 7 /Domain [0 1] >>"), nullptr);
  EXPECT_EQ(Make("<< /Domain [0 1] /C0 [0] >>"), nullptr);
  EXPECT_EQ(Make("<< /FunctionType 2 /C0 [0] >>"), nullptr);  // no inputs
  EXPECT_EQ(Make("[1 2 3]"), nullptr);
  EXPECT_EQ(Make("<< /FunctionType 0 /Domain [0 1] /Range [0 1] >>"), nullptr);  // sampled needs a stream
  EXPECT_EQ(CreateFunction(nullptr), nullptr);
  EXPECT_EQ(Make("<< /FunctionType 3333333333 /Domain [0 1] >>"), nullptr);  // found by fuzzing
  EXPECT_EQ(Make("<< /FunctionType 2.5 /Domain [0 1] >>"), nullptr);
}

TEST_F(PdfFunctionTest, ExponentialInterpolatesEachOutput) {
  auto f = Make("<< /FunctionType 2 /Domain [0 1] /C0 [0 0 1] /C1 [1 0.5 0] /N 2 >>");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->OutputCount(), 3u);
  auto out = Run(*f, {0.5});
  EXPECT_DOUBLE_EQ(out[0], 0.25);
  EXPECT_DOUBLE_EQ(out[1], 0.125);
  EXPECT_DOUBLE_EQ(out[2], 0.75);
  auto byDefault = Make("<< /FunctionType 2 /Domain [0 1] >>");  // C0 [0], C1 [1], N 1
  ASSERT_NE(byDefault, nullptr);
  EXPECT_DOUBLE_EQ(Run(*byDefault, {0.3})[0], 0.3);
}

TEST_F(PdfFunctionTest, SampledTakesTheNearestSample) {
  auto f = Sampled("<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [3] /BitsPerSample 8 >>",
                   std::string("\x00\x80\xff", 3));
  ASSERT_NE(f, nullptr);
  EXPECT_DOUBLE_EQ(Run(*f, {0})[0], 0.0);
  EXPECT_DOUBLE_EQ(Run(*f, {0.3})[0], 128.0 / 255);  // e = 0.6 -> sample 1
  EXPECT_DOUBLE_EQ(Run(*f, {0.25})[0], 0.0);         // e = 0.5 -> sample 0, half to even
  EXPECT_DOUBLE_EQ(Run(*f, {7})[0], 1.0);            // clamped to the domain
  EXPECT_DOUBLE_EQ(Run(*f, {-7})[0], 0.0);
}

TEST_F(PdfFunctionTest, SampledWithTwoInputsAndOutputs) {
  // Samples in input-0-fastest order, two 16-bit outputs each.
  std::string data;
  for (int v : {0x0000, 0xFFFF, 0x1111, 0x2222, 0x3333, 0x4444, 0x5555, 0x6666}) {
    data += static_cast<char>(v >> 8);
    data += static_cast<char>(v & 0xFF);
  }
  auto f = Sampled("<< /FunctionType 0 /Domain [0 1 0 1] /Range [0 1 0 1] /Size [2 2] /BitsPerSample 16 >>", data);
  ASSERT_NE(f, nullptr);
  auto out = Run(*f, {1, 1});
  EXPECT_DOUBLE_EQ(out[0], 0x5555 / 65535.0);
  EXPECT_DOUBLE_EQ(out[1], 0x6666 / 65535.0);
  out = Run(*f, {1, 0});
  EXPECT_DOUBLE_EQ(out[0], 0x1111 / 65535.0);
}

// Bad sizes once divided by zero or read at negative bit positions; such a
// function is now refused, and missing data reads as zero bits.
TEST_F(PdfFunctionTest, SampledRejectsBadSizesAndReadsPastDataAsZero) {
  const std::string tail = " /Domain [0 1] /Range [0 1] >>";
  EXPECT_EQ(Sampled("<< /FunctionType 0 /Size [2] /BitsPerSample 0" + tail, "\xff"), nullptr);
  EXPECT_EQ(Sampled("<< /FunctionType 0 /Size [2] /BitsPerSample 7" + tail, "\xff"), nullptr);
  EXPECT_EQ(Sampled("<< /FunctionType 0 /Size [0] /BitsPerSample 8" + tail, "\xff"), nullptr);
  EXPECT_EQ(Sampled("<< /FunctionType 0 /Size [-4] /BitsPerSample 8" + tail, "\xff"), nullptr);
  EXPECT_EQ(Sampled("<< /FunctionType 0 /BitsPerSample 8" + tail, "\xff"), nullptr);
  EXPECT_EQ(Sampled("<< /FunctionType 0 /Size [2147483647 2147483647] /BitsPerSample 32 /Domain [0 1 0 1] "
                    "/Range [0 1] >>", ""),
            nullptr);
  auto f = Sampled("<< /FunctionType 0 /Size [1000000] /BitsPerSample 32" + tail, "\xff\xff\xff\xff");
  ASSERT_NE(f, nullptr);
  EXPECT_DOUBLE_EQ(Run(*f, {0})[0], 1.0);
  EXPECT_DOUBLE_EQ(Run(*f, {1})[0], 0.0);
}

TEST_F(PdfFunctionTest, StitchingCoversTheWholeDomain) {
  auto f = Make("<< /FunctionType 3 /Domain [0 2] /Bounds [1] /Encode [0 1 0 1] /Functions ["
                "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] >>"
                "<< /FunctionType 2 /Domain [0 1] /C0 [10] /C1 [20] >> ] >>");
  ASSERT_NE(f, nullptr);
  EXPECT_DOUBLE_EQ(Run(*f, {0.5})[0], 0.5);
  EXPECT_DOUBLE_EQ(Run(*f, {1})[0], 10);     // a bound belongs to the interval it starts
  EXPECT_DOUBLE_EQ(Run(*f, {1.5})[0], 15);   // above 1: once left unset
  EXPECT_DOUBLE_EQ(Run(*f, {2})[0], 20);
  EXPECT_DOUBLE_EQ(Run(*f, {9})[0], 20);     // clamped to the domain
  EXPECT_DOUBLE_EQ(Run(*f, {-9})[0], 0);
}

TEST_F(PdfFunctionTest, StitchingZeroWidthIntervalAndMissingEncode) {
  auto f = Make("<< /FunctionType 3 /Domain [0 1] /Bounds [1] /Encode [0 1 0.25 1] /Functions ["
                "<< /FunctionType 2 /Domain [0 1] >> << /FunctionType 2 /Domain [0 1] >> ] >>");
  ASSERT_NE(f, nullptr);
  EXPECT_DOUBLE_EQ(Run(*f, {1})[0], 0.25);  // [1, 1] maps to its Encode start
  auto g = Make("<< /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Functions ["
                "<< /FunctionType 2 /Domain [0 1] >> << /FunctionType 2 /Domain [0 1] >> ] >>");
  ASSERT_NE(g, nullptr);
  EXPECT_DOUBLE_EQ(Run(*g, {0.75})[0], 0.5);  // every piece defaults to Encode [0 1]
  EXPECT_EQ(Make("<< /FunctionType 3 /Domain [0 1] /Bounds [] /Functions [<< /FunctionType 2 /Domain [0 1] >>"
                 "<< /FunctionType 2 /Domain [0 1] >>] >>"),
            nullptr);  // too few bounds
}

TEST_F(PdfFunctionTest, StitchingSurvivesReferenceCyclesAndDeepNesting) {
  objects.Number(1, objects.Parse("<< /FunctionType 3 /Domain [0 1] /Functions [2 0 R] /Range [0 1] >>"));
  objects.Number(2, objects.Parse("<< /FunctionType 3 /Domain [0 1] /Functions [1 0 R] /Range [0 1] >>"));
  auto f = CreateFunction(objects.Parse("1 0 R"));
  ASSERT_NE(f, nullptr);  // usable shell whose innermost member is missing
  std::vector<double> out;
  EXPECT_FALSE(f->Evaluate(std::vector<double>{0.5}, out));
  objects.Number(3, objects.Parse("<< /FunctionType 3 /Domain [0 1] /Functions [3 0 R 3 0 R] /Bounds [0.5] >>"));
  EXPECT_EQ(CreateFunction(objects.Parse("3 0 R")), nullptr);
  objects.Number(4, objects.Parse("4 0 R"));  // a reference to itself
  EXPECT_EQ(CreateFunction(objects.Parse("4 0 R")), nullptr);
}

TEST_F(PdfFunctionTest, CalculatorArithmeticAndConversions) {
  EXPECT_EQ(Calc("{2 3 bitshift}"), 16);
  EXPECT_EQ(Calc("{16 -2 bitshift}"), 4);
  EXPECT_EQ(Calc("{1 32 bitshift}"), 0);
  EXPECT_EQ(Calc("{-1 -40 bitshift}"), 0);
  EXPECT_EQ(Calc("{-8 -1 bitshift}"), 0x7FFFFFFC);  // logical shift
  EXPECT_DOUBLE_EQ(Calc("{1 1 atan}"), 45);
  EXPECT_DOUBLE_EQ(Calc("{-1 0 atan}"), 270);
  EXPECT_EQ(Calc("{-1.7 cvi}"), -1);
  EXPECT_EQ(Calc("{1e20 cvi}"), 2147483647);
  EXPECT_EQ(Calc("{7 2 idiv}"), 3);
  EXPECT_EQ(Calc("{-7 2 mod}"), -1);
  EXPECT_DOUBLE_EQ(Calc("{7 2 div}"), 3.5);
  EXPECT_DOUBLE_EQ(Calc("{2 10 exp}"), 1024);
  EXPECT_DOUBLE_EQ(Calc("{90 sin 0 cos add}"), 2);
  EXPECT_DOUBLE_EQ(Calc("{100 log 1 ln add 16 sqrt add}"), 6);
  EXPECT_EQ(Calc("{2.5 round 3.5 round add}"), 6);
  EXPECT_EQ(Calc("{-2.5 ceiling -2.5 floor add -2.5 truncate add}"), -7);
  EXPECT_EQ(Calc("{3 neg abs 5 sub}"), -2);
  EXPECT_EQ(Calc("{12 10 and 12 10 or add 12 10 xor add}"), 8 + 14 + 6);
  EXPECT_EQ(Calc("{5 not}"), -6);
  EXPECT_EQ(Calc("{1 2 exch pop}"), 2);
  EXPECT_EQ(Calc("{4 frobnicate}"), 4);  // unknown operators are ignored
  EXPECT_EQ(Calc("{4 x12}"), 4);
  EXPECT_EQ(Calc("{ /a }"), 0);          // unreadable numbers give 0
}

TEST_F(PdfFunctionTest, CalculatorBooleansAndConditionals) {
  auto f = Calculator("{ 0.5 gt { 1 } { 0 } ifelse }");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(Run(*f, {0.7})[0], 1);
  EXPECT_EQ(Run(*f, {0.3})[0], 0);
  auto negated = Calculator("{ 0.5 gt not { 1 } { 0 } ifelse }");
  EXPECT_EQ(Run(*negated, {0.7})[0], 0);
  EXPECT_EQ(Run(*negated, {0.3})[0], 1);  // a boolean's not is logical
  auto nested = Calculator("{ dup 0 gt { dup 10 gt { pop 2 } { pop 1 } ifelse } { pop 0 } ifelse }");
  EXPECT_EQ(Run(*nested, {20})[0], 2);
  EXPECT_EQ(Run(*nested, {5})[0], 1);
  EXPECT_EQ(Run(*nested, {-5})[0], 0);
  EXPECT_EQ(Calc("{ 7 true { pop 3 } if }"), 3);
  EXPECT_EQ(Calc("{ 7 false { pop 3 } if }"), 7);
  EXPECT_EQ(Calc("{ 1 2 eq 2 2 eq add 1 2 lt add 2 1 le add }"), 2);
}

TEST_F(PdfFunctionTest, CalculatorStackOperatorsAndTheirLimits) {
  EXPECT_EQ(Calc("{1 2 3 3 1 roll pop pop}"), 3);         // 3 1 2
  EXPECT_EQ(Calc("{1 2 3 3 -1 roll pop pop}"), 2);        // 2 3 1
  EXPECT_EQ(Calc("{1 2 3 9 1 roll}"), 3);                 // out of range: nothing rolls
  EXPECT_EQ(Calc("{5 6 1 index}"), 5);
  EXPECT_EQ(Calc("{5 6 7 index}"), 6);                    // out of range: nothing pushed
  EXPECT_EQ(Calc("{5 -1 index}"), 5);
  EXPECT_EQ(Calc("{5 6 2 copy add add add}"), 22);
  EXPECT_EQ(Calc("{5 6 9 copy}"), 6);
  EXPECT_EQ(Calc("{pop pop pop}"), 0);                    // popping an empty stack gives 0
  EXPECT_EQ(Calc("{1 0 idiv}"), -8888);                   // a zero divisor fails the evaluation
  std::string deep = "{ 1 " + std::string(2000, '{') + std::string(2000, '}') + " }";
  EXPECT_EQ(Calculator(deep), nullptr);
  std::string flood = "{";
  for (int i = 0; i < 1500; ++i) flood += " 1";
  EXPECT_EQ(Calc(flood + " }"), -8888);                  // the stack is capped
  std::string doubling = "{ 1";
  for (int n = 1; n <= 1024; n *= 2) doubling += " " + std::to_string(n) + " copy";
  EXPECT_EQ(Calc(doubling + " }"), -8888);
}

TEST_F(PdfFunctionTest, CalculatorReturnsTopValuesAndStartsFreshEachTime) {
  auto f = Calculator("{ 10 20 30 }", "/Range [0 100 0 100]");
  ASSERT_NE(f, nullptr);
  auto out = Run(*f, {1, 2});
  EXPECT_EQ(out, (std::vector<double>{20, 30}));
  // exch pops an empty slot below the input; whatever stays behind must not
  // reach the next evaluation.
  auto g = Calculator("{ exch }", "/Range [0 1]");
  EXPECT_EQ(Run(*g, {0.7})[0], 0);
  EXPECT_EQ(Run(*g, {0.3})[0], 0);
}

}  // namespace
}  // namespace ostrel
