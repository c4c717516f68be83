// Profile-file reading and writing, and the converter's settings kept in one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/ini_file.h"
#include "app/settings.h"

namespace drevlin {
namespace {

namespace fs = std::filesystem;

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("drevlin-ini-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path dir;
};

using IniFileTest = TempDir;

TEST_F(IniFileTest, ReadsWithProfileSemantics) {
  TIniFile ini(Write("a.ini",
                     "; comment\n"
                     "[Options]\n"
                     "  Language = Russian  \n"
                     "LANGUAGE=German\n"
                     "OutputDir=\"  /tmp/with blanks/ \"\n"
                     "single='x'\n"
                     "noequals\n"
                     "[options]\n"
                     "late=1\n"
                     "[Other]\n"
                     "convert=7\n"));
  EXPECT_EQ(ini.ReadString("OPTIONS", "language", "English"), "Russian");  // first duplicate wins
  EXPECT_EQ(ini.ReadString("Options", "OutputDir", ""), "  /tmp/with blanks/ ");
  EXPECT_EQ(ini.ReadString("Options", "single", ""), "x");
  EXPECT_EQ(ini.ReadString("Options", "late", "absent"), "absent");  // only the first section counts
  EXPECT_EQ(ini.ReadString("Options", "noequals", "absent"), "absent");
  EXPECT_EQ(ini.ReadInteger("Options", "convert", 3), 3);  // the key lives in another section
  EXPECT_EQ(ini.ReadInteger("Other", "convert", 3), 7);
}

TEST_F(IniFileTest, IntegersFallBackToTheDefaultWhenMalformed) {
  TIniFile ini(Write("n.ini", "[S]\na=-2\nb=0x1F\nc=12abc\nd=\ne=99999999999\nf=+4\n"));
  EXPECT_EQ(ini.ReadInteger("S", "a", 0), -2);
  EXPECT_EQ(ini.ReadInteger("S", "b", 0), 31);
  EXPECT_EQ(ini.ReadInteger("S", "c", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "d", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "e", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "f", 0), 4);
}

TEST_F(IniFileTest, MissingFileReadsAsEmpty) {
  TIniFile ini((dir / "none.ini").string());
  EXPECT_EQ(ini.ReadString("Options", "Language", "English"), "English");
  EXPECT_FALSE(ini.ValueExists("Options", "Language"));
}

TEST_F(IniFileTest, CodePageFilesAreReadAsWindows1252) {
  TIniFile ini(Write("cp.ini", "[S]\nname=Caf\xE9\n"));
  EXPECT_EQ(ini.ReadString("S", "name", ""), "Caf\xC3\xA9");
}

TEST_F(IniFileTest, WritesInPlaceKeepingEverythingElse) {
  std::string path = Write("w.ini", "; keep me\r\n[Options]\r\nLANGUAGE=English\r\nother=1\r\n[Tail]\r\nz=2\r\n");
  TIniFile ini(path);
  ASSERT_TRUE(ini.WriteString("options", "language", "Russian"));
  ASSERT_TRUE(ini.WriteString("Options", "convert", "4"));
  ASSERT_TRUE(ini.WriteString("New", "k", "v"));
  EXPECT_EQ(Read(path),
            "; keep me\r\n[Options]\r\nLANGUAGE=Russian\r\nother=1\r\nconvert=4\r\n[Tail]\r\nz=2\r\n[New]\r\nk=v\r\n");
  TIniFile again(path);
  EXPECT_EQ(again.ReadString("New", "K", ""), "v");
}

TEST_F(IniFileTest, ValuesReadBackAsWritten) {
  std::string path = (dir / "r.ini").string();
  TIniFile ini(path);
  for (std::string value : {" lead", "trail ", "\"quoted\"", "a=b;c", ""}) {
    ASSERT_TRUE(ini.WriteString("S", "k", value)) << value;
    EXPECT_EQ(TIniFile(path).ReadString("S", "k", "default"), value) << value;
  }
}

TEST_F(IniFileTest, RefusesWhatCannotBeStored) {
  std::string path = Write("x.ini", "[S]\nk=old\n");
  TIniFile ini(path);
  // A line break would let a value plant other keys in the file.
  EXPECT_FALSE(ini.WriteString("S", "k", "evil\n[Options]\nconvert=3"));
  EXPECT_EQ(Read(path), "[S]\nk=old\n");
  EXPECT_EQ(ini.ReadString("S", "k", ""), "old");

  Write("plainfile", "");
  TIniFile blocked((dir / "plainfile" / "x.ini").string());
  EXPECT_FALSE(blocked.WriteString("S", "k", "v"));
}

using SettingsTest = TempDir;

TEST_F(SettingsTest, NoFileGivesEnglishFirstModeAndTheProgramFolder) {
  std::string appDir = dir.string() + "/";
  TSettings s = ReadSettings((dir / "missing.ini").string(), appDir);
  EXPECT_EQ(s.Language, "English");
  EXPECT_EQ(s.OutputDir, appDir);
  EXPECT_EQ(s.ConvertMode, 0);
  // An installed program's folder cannot take outputs: they go home.
  const char* home = std::getenv("HOME");
  ASSERT_NE(home, nullptr);
  EXPECT_EQ(ReadSettings((dir / "missing.ini").string(), "/nonexistent/bin/").OutputDir,
            std::string(home) + (std::string(home).back() == '/' ? "" : "/"));
}

TEST_F(SettingsTest, OutOfRangeModeShowsTheNearestButIsKeptAsStored) {
  std::string path = Write("p.ini", "[Options]\nconvert=9\nLanguage=Russian\nOutputDir=/srv/out\n");
  TSettings s = ReadSettings(path, "/opt/app/");
  EXPECT_EQ(s.ConvertMode, 9);
  EXPECT_EQ(ModeSelectionOf(s.ConvertMode), 4);
  EXPECT_EQ(ModeSelectionOf(-7), -1);
  EXPECT_EQ(ModeSelectionOf(2), 2);
  EXPECT_EQ(s.OutputDir, "/srv/out");  // used as stored
  ASSERT_TRUE(WriteSettings(path, s));
  EXPECT_EQ(ReadSettings(path, "/x/").ConvertMode, 9);
}

TEST_F(SettingsTest, RoundTrip) {
  std::string path = (dir / "drevlin-pdf-converter.ini").string();
  TSettings s{"Russian", "/home/u/My PDFs/", 3};
  ASSERT_TRUE(WriteSettings(path, s));
  TSettings back = ReadSettings(path, "/x/");
  EXPECT_EQ(back.Language, s.Language);
  EXPECT_EQ(back.OutputDir, s.OutputDir);
  EXPECT_EQ(back.ConvertMode, 3);
}

TEST_F(SettingsTest, UnwritableFileIsReported) {
  Write("plainfile", "");
  EXPECT_FALSE(WriteSettings((dir / "plainfile" / "p.ini").string(), TSettings{}));
}

TEST_F(SettingsTest, FileSitsBesideAWritableProgramAndFallsBackToTheConfigFolder) {
  EXPECT_EQ(SettingsFilePath((dir / "drevlin-pdf-converter").string()),
            (dir / "drevlin-pdf-converter.ini").string());

  const char* old = std::getenv("XDG_CONFIG_HOME");
  std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  // A folder that cannot take a file, whoever runs the test.
  Write("plainfile", "");
  std::string exe = (dir / "plainfile" / "drevlin-pdf-converter").string();
  std::string path = SettingsFilePath(exe);
  EXPECT_EQ(path, (dir / "config" / "drevlin-pdf-converter" / "drevlin-pdf-converter.ini").string());
  EXPECT_TRUE(WriteSettings(path, TSettings{}));
  EXPECT_EQ(WritableAppFolder((dir / "plainfile").string()), (dir / "config/drevlin-pdf-converter/").string());
  if (old) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace drevlin
