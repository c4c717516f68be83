// Reads every CMap file an installed poppler-data package provides: real
// CMaps of every shape must parse without fault. Skips when it is absent.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "pdf/text/cmaps/pdf_cmap.h"
#include "pdf/text/cmaps/predefined_cmaps.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;
const fs::path kCMapRoot = "/usr/share/poppler/cMap";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(InstalledCMaps, EveryFileParses) {
  if (!fs::is_directory(kCMapRoot)) GTEST_SKIP() << "poppler-data is not installed";
  size_t files = 0, entries = 0;
  for (const auto& item : fs::recursive_directory_iterator(kCMapRoot)) {
    if (!item.is_regular_file()) continue;
    bool oneByte = false;
    TPDFCMap map = ParseToUnicode(ReadFile(item.path()), oneByte);
    for (const TPDFCMapEntry& e : map) {
      ASSERT_LE(e.FirstCode, e.LastCode) << item.path();
      ASSERT_FALSE(e.Destination.empty()) << item.path();
    }
    entries += map.size();
    ++files;
  }
  EXPECT_GT(files, 100u);
  EXPECT_GT(entries, 10000u);
}

TEST(InstalledCMaps, Japan1UnicodeAgreesWithTheBuiltInTable) {
  fs::path ucs2 = kCMapRoot / "Adobe-Japan1" / "Adobe-Japan1-UCS2";
  if (!fs::exists(ucs2)) GTEST_SKIP() << "poppler-data is not installed";
  bool oneByte = true;
  TPDFCMap map = ParseToUnicode(ReadFile(ucs2), oneByte);
  EXPECT_FALSE(oneByte);
  // Single characters of the 16-bit plane must agree for every CID both have.
  size_t compared = 0;
  for (const TPDFCMapEntry& e : map) {
    if (e.Destination.size() != 1) continue;
    for (uint32_t cid = e.FirstCode; cid <= e.LastCode && cid <= 15443; ++cid) {
      std::u16string builtIn = Japan1UnicodeTable().CodeText(2, cid);
      ASSERT_EQ(builtIn, std::u16string(1, static_cast<char16_t>(e.Destination[0] + (cid - e.FirstCode))))
          << "CID " << cid;
      ++compared;
    }
  }
  EXPECT_GT(compared, 10000u);
}

}  // namespace
}  // namespace ostrel
