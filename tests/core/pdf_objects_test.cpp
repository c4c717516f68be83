// Byte forms of the PDF objects, dictionary and array operations, and the
// pool's release rule.
#include <gtest/gtest.h>

#include "pdf/core/number_format.h"
#include "pdf/core/pdf_structure.h"

namespace ostrel {
namespace {

TEST(PdfNumberText, RoundsToFourDecimalsAndDropsTrailingZeros) {
  EXPECT_EQ(FormatPdfNumber(612), "612");
  EXPECT_EQ(FormatPdfNumber(0.5), "0.5");
  EXPECT_EQ(FormatPdfNumber(-0.25), "-0.25");
  EXPECT_EQ(FormatPdfNumber(1.23456), "1.2346");
  EXPECT_EQ(FormatPdfNumber(2.00001), "2");
  EXPECT_EQ(FormatPdfNumber(3.00004), "3");
  EXPECT_EQ(FormatPdfNumber(3.25), "3.25");
  EXPECT_EQ(FormatPdfNumber(100000), "100000");
  EXPECT_EQ(FormatPdfNumber(-0.00001), "-0.00001");
  // Small factors read from files survive a save unchanged.
  EXPECT_EQ(FormatPdfNumber(0.00048828), "0.00048828");
  EXPECT_EQ(FormatPdfNumber(0.123456789), "0.123457");
  EXPECT_EQ(FormatPdfNumber(1e-30), "0");
  EXPECT_EQ(FormatPdfNumber(1e20), "100000000000000000000");
  EXPECT_EQ(FormatPdfNumber(0.123456789, 8), "0.12345679");
  EXPECT_EQ(FormatPdfNumber(std::numeric_limits<double>::quiet_NaN()), "0");
}

TEST(PdfNumberText, ZeroPadding) {
  EXPECT_EQ(ZeroPadded(7, 3), "007");
  EXPECT_EQ(ZeroPadded(12345, 3), "12345");
  EXPECT_EQ(ZeroPadded(-5, 4), "0000");
}

TEST(PdfObjectText, Scalars) {
  TPDFStructure pool;
  EXPECT_EQ(pool.NewNull()->ToText(), "null");
  EXPECT_EQ(pool.NewBoolean(true)->ToText(), "true");
  EXPECT_EQ(pool.NewBoolean(false)->ToText(), "false");
  EXPECT_EQ(pool.NewIndRef(12, 0)->ToText(), "12 0 R");
  EXPECT_EQ(pool.NewNumeric(2.5)->AsInteger(), 2);
  EXPECT_EQ(pool.NewNumeric(3.5)->AsInteger(), 4);
  EXPECT_EQ(pool.NewNumeric(1e30)->AsInteger(), INT32_MAX);
}

TEST(PdfObjectText, NamesEscapeDelimitersAndNonPrintables) {
  TPDFStructure pool;
  EXPECT_EQ(pool.NewName("A B#")->ToText(), "/A#20B#23");
  EXPECT_EQ(pool.NewName("\xE9")->ToText(), "/#E9");
  EXPECT_EQ(pool.NewName("")->ToText(), "/");
  EXPECT_EQ(pool.NewName("a/b(c)[d]{e}<f>%")->ToText(), "/a#2Fb#28c#29#5Bd#5D#7Be#7D#3Cf#3E#25");
  EXPECT_EQ(pool.NewName(std::string("\x00\x7F", 2))->ToText(), "/#00#7F");
}

TEST(PdfObjectText, LiteralStringsEscapeOnlyWhatTheyMust) {
  TPDFStructure pool;
  EXPECT_EQ(pool.NewString("a(b)\\c\r\x0B")->ToText(), "(a\\(b\\)\\\\c\\r\x0B)");
  EXPECT_EQ(pool.NewString("\b\t\n\f\xFF")->ToText(), "(\\b\\t\\n\\f\xFF)");
  EXPECT_EQ(pool.NewString("")->ToText(), "()");
}

TEST(PdfObjectText, HexStrings) {
  TPDFStructure pool;
  EXPECT_EQ(pool.NewString(std::string("\x00\xAB", 2), TPDFStringForm::Hex)->ToText(), "<00AB>");
  EXPECT_EQ(pool.NewString("", TPDFStringForm::Hex)->ToText(), "<>");
}

TEST(PdfObjectText, ArraysPadWithSpacesAndBreakLongLines) {
  TPDFStructure pool;
  EXPECT_EQ(pool.NewIntegerArray({0, 0, 612, 792})->ToText(), "[ 0 0 612 792 ]");
  EXPECT_EQ(pool.NewArray()->ToText(), "[ ]");

  TPDFArray* longArray = pool.NewArray();
  for (int i = 0; i < 30; ++i) longArray->Add(pool.NewNumeric(1000 + i));
  std::string text = longArray->ToText();
  size_t lf = text.find('\n');
  ASSERT_NE(lf, std::string::npos);
  // "[ " + 16 members of five characters crosses 80 after the 16th member.
  EXPECT_EQ(text.substr(0, lf + 1), "[ 1000 1001 1002 1003 1004 1005 1006 1007 1008 1009 1010 1011 1012 1013 1014 1015 \n");
  EXPECT_EQ(text.substr(lf + 1, 5), "1016 ");
  EXPECT_EQ(text.back(), ']');
}

TEST(PdfObjectText, DictionariesOnePairPerLine) {
  TPDFStructure pool;
  TPDFDictionary* empty = pool.NewDictionary();
  EXPECT_EQ(empty->ToText(), "<<\n>>\n");

  TPDFDictionary* page = pool.NewDictionary();
  page->SetValue("Type", pool.NewName("Page"));
  page->SetValue("MediaBox", pool.NewIntegerArray({0, 0, 612, 792}));
  EXPECT_EQ(page->ToText(), "<<\n/Type /Page\n/MediaBox [ 0 0 612 792 ]\n>>\n");

  TPDFDictionary* outer = pool.NewDictionary();
  outer->SetValue("Inner", page);
  outer->SetValue("N", pool.NewNumeric(1));
  EXPECT_EQ(outer->ToText(),
            "<<\n/Inner <<\n/Type /Page\n/MediaBox [ 0 0 612 792 ]\n>>\n/N 1\n>>\n");
}

TEST(PdfObjectText, StreamsCarryTheirRawData) {
  TPDFStructure pool;
  TPDFStream* stream = pool.NewStream("q Q", false);
  EXPECT_EQ(stream->ToText(), "<<\n/Length 3\n>>\nstream\nq Q\nendstream");
}

TEST(PdfDictionary, SettingAKeyTwiceKeepsTheFirstPosition) {
  TPDFStructure pool;
  TPDFDictionary* dict = pool.NewDictionary();
  dict->SetValue("A", pool.NewNumeric(1));
  dict->SetValue("B", pool.NewNumeric(2));
  dict->SetValue("A", pool.NewNumeric(3));
  ASSERT_EQ(dict->Count(), 2u);
  EXPECT_EQ(dict->EntryAt(0).first->Value, "A");
  EXPECT_EQ(dict->GetInteger("A", 0), 3);
  EXPECT_EQ(dict->EntryAt(5).first, nullptr);

  dict->SetValue("Self", dict);
  EXPECT_EQ(dict->IndexOfKey("Self"), -1);

  dict->RemoveKey("A");
  EXPECT_EQ(dict->Count(), 1u);
  EXPECT_EQ(dict->GetInteger("A", -7), -7);
}

TEST(PdfDictionary, ResolvesReferencesThroughThePoolCallback) {
  TPDFStructure pool;
  TPDFNumeric* target = pool.NewNumeric(42);
  pool.OnResolve = [&](int32_t number, int32_t) -> TPDFObject* { return number == 5 ? target : nullptr; };
  TPDFDictionary* dict = pool.NewDictionary();
  dict->SetValue("Count", pool.NewIndRef(5, 0));
  dict->SetValue("Missing", pool.NewIndRef(6, 0));
  EXPECT_EQ(dict->GetInteger("Count", 0), 42);
  EXPECT_EQ(dict->GetValue("Missing", true), nullptr);
  EXPECT_NE(PdfCast<TPDFIndRef>(dict->GetValue("Count")), nullptr);
  dict->SetValue("Type", pool.NewName("Catalog"));
  EXPECT_EQ(dict->TypeName(), "Catalog");
}

TEST(PdfDictionary, ShiftReferencesReachesNestedMembers) {
  TPDFStructure pool;
  TPDFDictionary* dict = pool.NewDictionary();
  TPDFIndRef* direct = pool.NewIndRef(3, 0);
  TPDFIndRef* nested = pool.NewIndRef(4, 0);
  dict->SetValue("A", direct);
  dict->SetValue("B", pool.NewArrayOf({nested}));
  dict->ShiftReferences(10);
  EXPECT_EQ(direct->RefNumber, 13);
  EXPECT_EQ(nested->RefNumber, 14);
}

TEST(PdfArray, InsertReplaceDelete) {
  TPDFStructure pool;
  TPDFArray* array = pool.NewIntegerArray({1, 2, 3});
  array->Insert(0, pool.NewNumeric(0));
  array->Insert(9, pool.NewNumeric(9));   // beyond the end: ignored
  array->Insert(-1, pool.NewNumeric(9));  // negative: ignored
  EXPECT_EQ(array->ToText(), "[ 0 1 2 3 ]");
  array->Replace(1, pool.NewName("x"));
  array->Delete(0);
  EXPECT_EQ(array->ToText(), "[ /x 2 3 ]");
  EXPECT_FALSE(array->AllNumeric());
  EXPECT_TRUE(pool.NewArray()->AllNumeric());
  EXPECT_EQ(array->IndexOfText(pool.NewNumeric(3)), 2);
}

TEST(PdfStructure, WellKnownKeysAreSharedAndNeverFreed) {
  TPDFStructure pool;
  TPDFDictionary* a = pool.NewDictionary();
  TPDFDictionary* b = pool.NewDictionary();
  a->SetValue("Type", pool.NewName("Page"));
  b->SetValue("Type", pool.NewName("Pages"));
  EXPECT_EQ(a->EntryAt(0).first, b->EntryAt(0).first);
  EXPECT_TRUE(a->EntryAt(0).first->IsSharedKey);

  a->SetValue("Custom", pool.NewNull());
  b->SetValue("Custom", pool.NewNull());
  EXPECT_NE(a->EntryAt(1).first, b->EntryAt(1).first);

  size_t before = pool.Count();
  pool.ReleaseObject(a->EntryAt(0).first);
  EXPECT_EQ(pool.Count(), before);
}

TEST(PdfStructure, ReleaseKeepsObjectsOthersStillHold) {
  TPDFStructure pool;
  TPDFNumeric* shared = pool.NewNumeric(1);
  TPDFArray* holder = pool.NewArrayOf({shared});
  size_t before = pool.Count();
  pool.ReleaseObject(shared);
  EXPECT_EQ(pool.Count(), before);
  EXPECT_EQ(holder->ToText(), "[ 1 ]");

  TPDFNumeric* loose = pool.NewNumeric(2);
  before = pool.Count();
  pool.ReleaseObject(loose);
  EXPECT_EQ(pool.Count(), before - 1);

  pool.Clear();
  EXPECT_EQ(pool.Count(), 0u);
  EXPECT_EQ(pool.Decimals, 4);
}

TEST(PdfStream, SetRawDataKeepsLengthInStep) {
  TPDFStructure pool;
  TPDFStream* stream = pool.NewStreamWith(pool.NewDictionary(), "abc");
  stream->StreamDict->SetValue("Length", pool.NewIndRef(9, 0));
  stream->SetRawData("abcdef");
  EXPECT_EQ(stream->StreamDict->GetInteger("Length", 0), 6);
  EXPECT_EQ(stream->DecodedData(), "abcdef");
}

TEST(PdfStream, CompressedDataDecodesBack) {
  TPDFStructure pool;
  std::string text(5000, 'x');
  TPDFStream* stream = pool.NewStream(text, true);
  EXPECT_LT(stream->RawData.size(), text.size());
  EXPECT_EQ(PdfCast<TPDFName>(stream->StreamDict->GetValue("Filter"))->Value, "FlateDecode");
  EXPECT_EQ(stream->DecodedData(), text);
  stream->SetData("plain", false);
  EXPECT_EQ(stream->StreamDict->IndexOfKey("Filter"), -1);
  EXPECT_EQ(stream->DecodedData(), "plain");
}

TEST(PdfStream, DecodesFilterChainsWithPerFilterParameters) {
  TPDFStructure pool;
  // Two rows of five bytes under the PNG "Up" predictor, then ASCII85.
  TPDFStream* plain = pool.NewStream(std::string("\x02\x01\x02\x03\x04\x05\x02\x01\x01\x01\x01\x01", 12), true);
  std::string deflated = plain->RawData;
  // ASCII85 of the deflated bytes, encoded here by hand to keep the test self-contained.
  std::string a85;
  for (size_t i = 0; i < deflated.size(); i += 4) {
    uint32_t v = 0;
    size_t n = std::min<size_t>(4, deflated.size() - i);
    for (size_t k = 0; k < 4; ++k) v = v * 256 + (k < n ? static_cast<unsigned char>(deflated[i + k]) : 0);
    char group[5];
    for (int k = 4; k >= 0; --k) {
      group[k] = static_cast<char>('!' + v % 85);
      v /= 85;
    }
    a85.append(group, n + 1);
  }
  a85 += "~>";
  TPDFStream* stream = pool.NewStreamWith(pool.NewDictionary(), a85);
  stream->StreamDict->SetValue("Filter", pool.NewArrayOf({pool.NewName("ASCII85Decode"), pool.NewName("FlateDecode")}));
  TPDFDictionary* parms = pool.NewDictionary();
  parms->SetValue("Predictor", pool.NewNumeric(12));
  parms->SetValue("Columns", pool.NewNumeric(5));
  stream->StreamDict->SetValue("DecodeParms", pool.NewArrayOf({pool.NewNull(), parms}));
  EXPECT_EQ(stream->DecodedData(), std::string("\x01\x02\x03\x04\x05\x02\x03\x04\x05\x06", 10));

  // The abbreviated /DP key serves when /DecodeParms is absent.
  stream->StreamDict->RemoveKey("DecodeParms");
  stream->StreamDict->SetValue("DP", pool.NewArrayOf({pool.NewNull(), parms}));
  EXPECT_EQ(stream->DecodedData(), std::string("\x01\x02\x03\x04\x05\x02\x03\x04\x05\x06", 10));
}

}  // namespace
}  // namespace ostrel
