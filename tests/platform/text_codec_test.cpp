#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

// Valid UTF-8 of every length decodes, supplementary characters as surrogate
// pairs; one malformed sequence anywhere makes the whole text Windows-1252.
TEST(TextCodec, Utf8DecodesOrTheWholeTextIsWindows1252) {
  struct Case {
    std::string Bytes;
    std::u16string Expected;
  };
  const Case cases[] = {
      {"", u""},
      {"plain ASCII", u"plain ASCII"},
      {"\xD0\x96\xD0\xB8\xE2\x82\xAC", u"\u0416\u0438\u20AC"},
      {"a\xF0\x9F\x98\x80z", u"a\U0001F600z"},
      {"end \xE6\x97\xA5", u"end \u65E5"},                   // a sequence ending the text
      {"caf\xE9 \x80", u"caf\u00E9 \u20AC"},                  // Latin-1 byte: Windows-1252
      {"\xD0\x96 then \xE2\x82", u"\u00D0\u2013 then \u00E2\u201A"},  // cut short at the end
      {"\xC0\xAF", u"\u00C0\u00AF"},                          // overlong
      {"\xED\xA0\x80", u"\u00ED\u00A0\u20AC"},                // an encoded surrogate
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToUtf16(c.Bytes), c.Expected) << c.Bytes;
}

}  // namespace
}  // namespace ostrel
