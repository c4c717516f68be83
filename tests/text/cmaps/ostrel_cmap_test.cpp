#include <gtest/gtest.h>

#include <string>

#include "pdf/text/cmaps/ostrel_cmap.h"
#include "pdf/text/cmaps/predefined_cmaps.h"

namespace ostrel {
namespace {

std::string Le32(uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TEST(OstrelCMap, AddMappingKeepsKeysOrderedPerKindAndWidth) {
  TOstrelCMap map;
  map.AddMapping(1, 0x42, "b");
  map.AddMapping(1, 0x41, "a");
  map.AddMapping(1, 0x41, "A");  // a repeated code goes after its equal
  map.AddMapping(2, 0x8140, std::string_view("\x30\x00", 2));
  ASSERT_EQ(map.Sections.size(), 2u);
  EXPECT_EQ(map.Sections[0].Keys, (std::vector<uint32_t>{0x41, 0x41, 0x42}));
  EXPECT_EQ(map.Sections[0].Data, "aAb");
  std::string bytes;
  EXPECT_TRUE(map.CodeBytes(1, 0x41, bytes));
  EXPECT_EQ(bytes, "a");
  EXPECT_TRUE(map.HasCode(2, 0x8140));
  EXPECT_FALSE(map.HasCode(1, 0x8140));
  EXPECT_EQ(map.CodeValue(0, 0x8140), 0x3000);
  EXPECT_EQ(map.CodeValue(1, 0x42), 'b');
  EXPECT_EQ(map.CodeText(1, 0x42), u"b");
  EXPECT_EQ(map.CodeText(2, 0x8140), u"\u3000");
  EXPECT_EQ(map.CodeText(2, 0x9999), u"");
}

TEST(OstrelCMap, UnknownCodesShowAsTheSpace) {
  TOstrelCMap map;
  map.AddMapping(1, 0x41, "\x01");
  std::string bytes;
  EXPECT_FALSE(map.CodeBytes(1, 0x42, bytes));
  map.AddMapping(1, 32, "\x03");
  EXPECT_TRUE(map.CodeBytes(1, 0x42, bytes));
  EXPECT_EQ(bytes, "\x03");
}

TEST(OstrelCMap, IdentityAnswersEveryTwoByteCode) {
  TOstrelCMap map;
  map.Identity = true;
  std::string bytes;
  EXPECT_TRUE(map.HasCode(2, 0x1234));
  EXPECT_TRUE(map.CodeBytes(2, 0x1234, bytes));
  EXPECT_EQ(bytes, "\x12\x34");
  EXPECT_FALSE(map.CodeBytes(1, 0x12, bytes));
}

TEST(OstrelCMap, LoadsTheBinaryFormat) {
  // One kind-2 section of width 2: keys 0x8140 and 0x8142 as differences.
  std::string data = Le32(1) + Le32(2) + Le32(2) + Le32(2) + Bytes({0x40, 0x81, 0x02, 0x00, 0x02, 0x79, 0x02, 0x7A});
  TOstrelCMap map;
  ASSERT_TRUE(map.LoadFromStream(data));
  EXPECT_EQ(map.CodeValue(2, 0x8142), 0x027A);
  EXPECT_FALSE(map.HasCode(2, 0x8141));
}

TEST(OstrelCMap, DamagedDataKeepsWhatWasWholeAndNeverReadsPastTheEnd) {
  std::string good = Le32(1) + Le32(1) + Le32(1) + Le32(1) + "Ax";
  std::string header = Le32(3) + good.substr(4);
  TOstrelCMap map;
  // Truncated in the keys, in the destinations, in the header.
  EXPECT_FALSE(map.LoadFromStream(header + Le32(2) + Le32(2) + Le32(5) + "\x01"));
  ASSERT_GE(map.Sections.size(), 2u);
  EXPECT_TRUE(map.HasCode(1, 0x41));
  EXPECT_TRUE(map.Sections[1].Keys.empty());
  EXPECT_FALSE(map.LoadFromStream(header + Le32(1) + Le32(1) + Le32(2) + "\x01\x01" "z"));
  EXPECT_FALSE(map.HasCode(1, 1));
  EXPECT_FALSE(map.LoadFromStream("\x01\x00"));
  // Headers beyond the format's limits give an empty section.
  for (auto [kind, width, count] : {std::tuple{5u, 1u, 1u}, {1u, 65u, 1u}, {2u, 2u, 65536u}}) {
    EXPECT_FALSE(map.LoadFromStream(Le32(1) + Le32(kind) + Le32(width) + Le32(count) + std::string(1000, '\1')));
    ASSERT_EQ(map.Sections.size(), 1u);
    EXPECT_TRUE(map.Sections[0].Keys.empty());
  }
}

TEST(BuiltInTables, Japan1UnicodeRows) {
  const TOstrelCMap& t = Japan1UnicodeTable();
  ASSERT_FALSE(t.Sections.empty());
  EXPECT_EQ(t.Sections[0].Width, 2u);
  EXPECT_EQ(t.CodeText(2, 0), u"\uFFFD");
  EXPECT_EQ(t.CodeText(2, 1), u" ");
  EXPECT_EQ(t.CodeText(2, 2), u"!");
  EXPECT_EQ(t.CodeText(2, 8061), u"0.");
  EXPECT_EQ(t.CodeText(2, 8295), u"XIII");
  EXPECT_EQ(t.CodeText(2, 8321), u"\u6709\u9650\u4F1A\u793E");
  EXPECT_TRUE(t.HasCode(2, 15443));
  EXPECT_FALSE(t.HasCode(2, 15444));
}

}  // namespace
}  // namespace ostrel
