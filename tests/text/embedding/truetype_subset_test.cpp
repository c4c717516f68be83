// Subsets of installed TrueType fonts: what readers need of them survives.
#include "pdf/text/embedding/truetype_subset.h"

#include <gtest/gtest.h>

#include "pdf/text/embedding/fallback_fonts.h"
#include "pdf/text/fonts/truetype_parser.h"
#include "platform/file_io.h"

namespace ostrel {
namespace {

TEST(TrueTypeSubset, KeepsOutlinesMetricsAndCompositeComponentsRenumbered) {
  std::optional<TFontFile> file = FindFontFile("DejaVu Sans");
  if (!file) GTEST_SKIP() << "DejaVu Sans is not installed";
  std::optional<std::string> bytes = ReadWholeFile(file->Path);
  ASSERT_TRUE(bytes);
  TPDFTrueTypeParser font;
  ASSERT_TRUE(font.LoadFromBytes(*bytes));
  TTrueTypeGlyphs glyphs(font);
  ASSERT_TRUE(glyphs.Usable());
  // The first composite glyph of the font, with what it is built from.
  uint16_t composite = 0;
  for (uint16_t g = 1; g < glyphs.GlyphCount() && !composite; ++g)
    if (!glyphs.Components(g).empty()) composite = g;
  ASSERT_NE(composite, 0);
  const uint16_t simple = 36;  // any other glyph
  std::vector<uint16_t> kept = {0, simple, composite};
  for (uint16_t part : glyphs.Components(composite)) kept.push_back(part);

  TPDFTrueTypeParser subset;
  ASSERT_TRUE(subset.LoadFromBytes(glyphs.Subset(kept)));
  TTrueTypeGlyphs cut(subset);
  ASSERT_TRUE(cut.Usable());
  ASSERT_EQ(cut.GlyphCount(), kept.size());
  for (uint16_t g = 0; g < kept.size(); ++g) {
    EXPECT_EQ(cut.Advance(g), glyphs.Advance(kept[g]));
    EXPECT_EQ(cut.LeftSideBearing(g), glyphs.LeftSideBearing(kept[g]));
  }
  EXPECT_EQ(cut.GlyphData(1), glyphs.GlyphData(simple));
  // The composite now points at the new numbers of its components.
  std::vector<uint16_t> parts = cut.Components(2);
  ASSERT_EQ(parts.size(), glyphs.Components(composite).size());
  for (size_t i = 0; i < parts.size(); ++i) EXPECT_EQ(kept[parts[i]], glyphs.Components(composite)[i]);
  EXPECT_EQ(subset.Glyph(2).Components.size(), parts.size());
  EXPECT_EQ(subset.Glyph(1).Points, font.Glyph(simple).Points);
}

}  // namespace
}  // namespace ostrel
