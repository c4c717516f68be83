// Files written through a temporary name: the target changes only on a
// complete write, and nothing is left beside it either way.
#include "platform/replacing_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/file_io.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

TEST(ReplacingFile, TheTargetChangesOnlyWhenTheWriteIsComplete) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("replacing_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string target = (dir / "out.txt").string();
  ASSERT_TRUE(WriteWholeFile(target, "old"));

  {
    TReplacingFile abandoned(target);
    ASSERT_TRUE(abandoned.IsOpen());
    EXPECT_NE(abandoned.TemporaryPath(), target);
    EXPECT_TRUE(fs::exists(abandoned.TemporaryPath()));
  }
  EXPECT_EQ(ReadWholeFile(target), "old");

  TReplacingFile file(target);
  TReplacingFile other(target);  // two writers of one target never share a temporary
  EXPECT_NE(file.TemporaryPath(), other.TemporaryPath());
  ASSERT_TRUE(file.Commit("new"));
  EXPECT_EQ(ReadWholeFile(target), "new");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

  TReplacingFile nowhere((dir / "missing" / "out.txt").string());
  EXPECT_FALSE(nowhere.IsOpen());
  EXPECT_EQ(nowhere.Error(), ENOENT);
  EXPECT_FALSE(nowhere.Commit("x"));
  EXPECT_FALSE(WriteWholeFile((dir / "missing" / "out.txt").string(), "x"));

  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 2u);  // out.txt and the temporary `other` still holds
  fs::remove_all(dir);
}

}  // namespace
}  // namespace ostrel
