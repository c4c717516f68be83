// Where inline image data ends when the bytes "EI" occur inside the data.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "pdf/render/content/inline_image_end.h"

namespace ostrel {
namespace {

struct End {
  bool Found;
  size_t Length;
  size_t EI;
};

End Find(std::string_view dict, std::string_view rest) {
  End e{false, 0, 0};
  e.Found = FindInlineImageEnd(dict, rest, e.Length, e.EI);
  return e;
}

TEST(InlineImageEnd, UnfilteredSamplesAreSkippedByTheirSize) {
  // Four gray samples that happen to spell "EI x".
  std::string rest = "EI x\nEI Q";
  End e = Find("/W 4 /H 1 /BPC 8 /CS /G", rest);
  ASSERT_TRUE(e.Found);
  EXPECT_EQ(e.EI, 5u);
  EXPECT_EQ(rest.substr(0, e.Length), "EI x");
}

TEST(InlineImageEnd, Ascii85ThenFlateEndsAtTheMarker) {
  std::string rest = "9jqo^EI ~>\nEI Q";
  End e = Find("/W 2 /H 2 /F [/A85 /Fl]", rest);
  ASSERT_TRUE(e.Found);
  EXPECT_EQ(rest.substr(0, e.Length), "9jqo^EI ~>");
  EXPECT_EQ(e.EI, 11u);
}

TEST(InlineImageEnd, FlateEndsWhereTheSamplesAreComplete) {
  // Stored (level 0) deflate keeps the samples verbatim, "EI " included.
  std::string samples = "ab EI cdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWX";  // 64 bytes
  ASSERT_EQ(samples.size(), 64u);
  uLongf size = compressBound(samples.size());
  std::string deflated(size, '\0');
  ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(deflated.data()), &size,
                      reinterpret_cast<const Bytef*>(samples.data()), samples.size(), 0), Z_OK);
  deflated.resize(size);
  std::string rest = deflated + "\nEI Q";
  End e = Find("/W 8 /H 8 /BPC 8 /CS /G /F /Fl", rest);
  ASSERT_TRUE(e.Found);
  EXPECT_EQ(e.EI, deflated.size() + 1);
}

TEST(InlineImageEnd, JpegEndsAtItsEndMarker) {
  // SOI, a short APP0 segment, SOS with "EI " in the entropy-coded data,
  // a stuffed FF 00 and a restart marker, then EOI.
  std::string jpeg = "\xFF\xD8\xFF\xE0\x00\x04" "ab" "\xFF\xDA\x00\x02" "xx EI yy\xFF\x00\xFF\xD0zz" "\xFF\xD9";
  std::string rest = jpeg + " EI Q";
  End e = Find("/W 8 /H 8 /BPC 8 /CS /RGB /F /DCT", rest);
  ASSERT_TRUE(e.Found);
  EXPECT_EQ(e.Length, jpeg.size());
  EXPECT_EQ(e.EI, jpeg.size() + 1);
}

TEST(InlineImageEnd, OtherFiltersAndBrokenStructureUseTheNextEI) {
  End e = Find("/W 8 /H 8 /F /AHx", "00FF00>\nEI Q");
  ASSERT_TRUE(e.Found);
  EXPECT_EQ(e.EI, 8u);
  EXPECT_EQ(e.Length, 7u);
  // Not a JPEG at all: the plain rule still finds the end.
  e = Find("/F /DCT", "garbage EI Q");
  ASSERT_TRUE(e.Found);
  EXPECT_EQ(e.EI, 8u);
  EXPECT_FALSE(Find("/W 1 /H 1", "no end marker here").Found);
}

}  // namespace
}  // namespace ostrel
