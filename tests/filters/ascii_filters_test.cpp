// ASCII85, ASCIIHex and RunLength: the small text-and-byte filters.
#include <gtest/gtest.h>

#include "pdf/filters/stream_filters.h"

namespace ostrel {
namespace {

TEST(Ascii85, DecodesGroupsZAndPartialGroups) {
  EXPECT_EQ(ASCII85Decode("87cURD_*#4DfTZ)~>"), "Hello, World");
  EXPECT_EQ(ASCII85Decode("z~>"), std::string(4, '\0'));
  EXPECT_EQ(ASCII85Decode("87cUR D_*#4\nDf TZ) ~ >"), "Hello, World");
  EXPECT_EQ(ASCII85Decode("s8W-!~>"), "\xff\xff\xff\xff");
  EXPECT_EQ(ASCII85Decode("5l~>"), "A");   // two leftover characters give one byte
  EXPECT_EQ(ASCII85Decode("87cUR/~>"), "Hell");  // a single leftover character is ignored
  EXPECT_EQ(ASCII85Decode("~>"), "");
}

TEST(Ascii85, MissingEndMarkerAndOverflowingGroups) {
  EXPECT_EQ(ASCII85Decode("87cURD_*#4DfTZ)"), "");
  EXPECT_EQ(ASCII85Decode("uuuuu~>"), std::string(4, '\0'));
  // Data after the end marker is not part of the stream.
  EXPECT_EQ(ASCII85Decode("87cUR~>garbage"), "Hell");
}

TEST(AsciiHex, DecodesLikeContentHexStrings) {
  EXPECT_EQ(AsciiHexDecode("48 65 6c\n6C 6f>"), "Hello");
  EXPECT_EQ(AsciiHexDecode("ABC>"), "\xab\xc0");
  EXPECT_EQ(AsciiHexDecode("ABC"), "\xab\xc0");       // no end marker: all of it
  EXPECT_EQ(AsciiHexDecode("41zz42>"), std::string("A\0B", 3));
  EXPECT_EQ(AsciiHexDecode("41>4243"), "A");          // stops at the end marker
  EXPECT_EQ(AsciiHexDecode(""), "");
}

TEST(RunLength, LiteralsRepeatsAndEnd) {
  EXPECT_EQ(RunLengthDecode(std::string("\x02" "abc" "\xff" "x" "\x80" "zz", 8)), "abcxx");
  EXPECT_EQ(RunLengthDecode(std::string("\x81" "y", 2)), std::string(128, 'y'));
  EXPECT_EQ(RunLengthDecode(std::string("\x05" "ab", 3)), "ab");   // short literal
  EXPECT_EQ(RunLengthDecode(std::string("\x00" "a" "\xfe", 3)), "a");  // repeat without byte
}

TEST(RunLength, OutputIsBounded) {
  std::string bomb;
  for (int i = 0; i < 100000; ++i) bomb += "\x81z";
  EXPECT_EQ(RunLengthDecode(bomb).size(), 100000u * 128);
  EXPECT_EQ(RunLengthDecode(bomb, 1000), std::string(1000, 'z'));
}

}  // namespace
}  // namespace ostrel
