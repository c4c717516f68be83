// Interface texts from the language files, and the desktop's PDF association.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/ini_file.h"
#include "app/dialog_filters.h"
#include "app/language.h"
#include "app/pdf_association.h"

namespace drevlin {
namespace {

namespace fs = std::filesystem;

class AppFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("drevlin-lang-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "language");
    appDir = dir.string() + "/";
  }
  void TearDown() override { fs::remove_all(dir); }

  void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path dir;
  std::string appDir;
};

using LanguageTest = AppFolder;

TEST_F(LanguageTest, DefaultsAreTheWindowsOwnTexts) {
  TInterfaceTexts texts("http://host/page");
  EXPECT_EQ(texts[TUiText::MFile], "&File");
  EXPECT_EQ(texts[TUiText::rgConvert], " Converting ");
  EXPECT_EQ(texts[TUiText::rgConvertItem4], "split pdf");
  EXPECT_EQ(texts[TUiText::OpenDialog1Filter], "Adobe PDF Files (*.pdf)|*.pdf");
  EXPECT_EQ(texts[TUiText::FormAboutLabelSite], "http://host/page");
  EXPECT_EQ(texts[TUiText::LastVersion], "");  // update messages only come from a file
  EXPECT_STREQ(LanguageKeyOf(TUiText::rgConvertItem2), "rgConvert.Items.Strings[2]");
  EXPECT_STREQ(LanguageKeyOf(TUiText::FormUpdateChecking), "FormUpdate.StringCheckingForUpdates");
}

TEST_F(LanguageTest, MissingKeyKeepsTheCurrentTextAcrossSwitches) {
  Write(dir / "language/German.ini", "[Interface]\nButtonConvert.Caption=Umwandeln\nButtonSelect.Caption=Datei\n");
  Write(dir / "language/Partial.ini", "[interface]\nbuttonselect.caption=Choose\n");
  TInterfaceTexts texts;
  ApplyLanguage(appDir, "German", texts);
  EXPECT_EQ(texts[TUiText::ButtonConvert], "Umwandeln");
  EXPECT_FALSE(texts.EnglishChecked);
  EXPECT_FALSE(texts.RussianChecked);
  ApplyLanguage(appDir, "Partial", texts);
  EXPECT_EQ(texts[TUiText::ButtonSelect], "Choose");
  EXPECT_EQ(texts[TUiText::ButtonConvert], "Umwandeln");  // the file lacks the key
}

TEST_F(LanguageTest, InstalledProgramReadsItsLanguageFromShare) {
  Write(dir / "share/drevlin-pdf-converter/language/German.ini", "[Interface]\nButtonConvert.Caption=Umwandeln\n");
  fs::create_directories(dir / "bin");
  TInterfaceTexts texts;
  ApplyLanguage(appDir + "bin/", "German", texts);
  EXPECT_EQ(texts[TUiText::ButtonConvert], "Umwandeln");
  // A language file beside the program still comes first.
  Write(dir / "bin/language/German.ini", "[Interface]\nButtonConvert.Caption=Los\n");
  ApplyLanguage(appDir + "bin/", "German", texts);
  EXPECT_EQ(texts[TUiText::ButtonConvert], "Los");
}

TEST_F(LanguageTest, MissingFileKeepsTextsButChecksTheLanguage) {
  TInterfaceTexts texts;
  ApplyLanguage(appDir, "Russian", texts);
  EXPECT_TRUE(texts.RussianChecked);
  EXPECT_FALSE(texts.EnglishChecked);
  EXPECT_EQ(texts[TUiText::ButtonSelect], "Select file");
  ApplyLanguage(appDir, "english", texts);  // names match exactly
  EXPECT_FALSE(texts.EnglishChecked);
  EXPECT_FALSE(texts.RussianChecked);
}

TEST_F(LanguageTest, ShippedFilesNameEveryKey) {
  // tests/files -> the source tree's language/ (worked out by name: the
  // fixture folder may not exist in a fresh checkout).
  fs::path shipped = fs::path(TEST_FILES_DIR).parent_path().parent_path() / "language";
  TIniFile english((shipped / "English.ini").string());
  TIniFile russian((shipped / "Russian.ini").string());
  TInterfaceTexts defaults("http://drevlin.example.com/drevlin_pdf_converter.shtml");
  for (int i = 0; i < kUiTextCount; ++i) {
    const char* key = LanguageKeyOf(static_cast<TUiText>(i));
    std::string en = english.ReadString("Interface", key, "");
    std::string ru = russian.ReadString("Interface", key, "");
    EXPECT_FALSE(en.empty()) << "English lacks " << key;
    EXPECT_FALSE(ru.empty()) << "Russian lacks " << key;
    // A message filled in by the window keeps its places in translation, and
    // the English file says what the window says without it.
    for (const char* place : {"%1", "%2"})
      EXPECT_EQ(en.find(place) == std::string::npos, ru.find(place) == std::string::npos) << key << " " << place;
    if (!defaults[static_cast<TUiText>(i)].empty()) EXPECT_EQ(en, defaults[static_cast<TUiText>(i)]) << key;
  }
  TInterfaceTexts texts;
  ApplyLanguage(shipped.string() + "/../", "Russian", texts);
  EXPECT_EQ(texts[TUiText::ButtonConvert], "Преобразовать");
  EXPECT_EQ(texts[TUiText::rgConvert], " Преобразование ");
  ApplyLanguage(shipped.string() + "/../", "English", texts);
  EXPECT_EQ(texts[TUiText::ButtonConvert], "Convert");
  EXPECT_EQ(texts[TUiText::rgConvert], " Converting ");
  EXPECT_EQ(texts[TUiText::NewVersionIsAvailable], "A new version is available: ");
}

class AssociationTest : public AppFolder {
 protected:
  void SetUp() override {
    AppFolder::SetUp();
    Save("XDG_DATA_HOME", (dir / "data").string());
    Save("XDG_CONFIG_HOME", (dir / "config").string());
  }
  void TearDown() override {
    for (auto& [name, value] : saved_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1); else ::unsetenv(name.c_str());
    }
    AppFolder::TearDown();
  }
  void Save(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name.c_str(), value.c_str(), 1);
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(AssociationTest, ExecLineQuotesThePathAndTheFileArgument) {
  EXPECT_EQ(DesktopExecLine("/opt/with spaces/drevlin-pdf-converter"),
            "\"/opt/with spaces/drevlin-pdf-converter\" %f");
  EXPECT_EQ(DesktopExecLine("/o/a\"b$c`d\\e%f/prog"), "\"/o/a\\\"b\\$c\\`d\\\\e%%f/prog\" %f");
  // In the file, each backslash is escaped once more as a string value.
  std::string entry = DesktopEntryText("/o/a\\b/prog", "/o/icon.png");
  EXPECT_NE(entry.find("\nExec=\"/o/a\\\\\\\\b/prog\" %f\n"), std::string::npos) << entry;
}

TEST_F(AssociationTest, WritesTheEntryAndTheDefaultKeepingOtherDefaults) {
  Write(dir / "config/mimeapps.list",
        "[Default Applications]\ntext/plain=editor.desktop\napplication/pdf=other.desktop\n");
  std::string exe = appDir + "drevlin-pdf-converter";
  TAssociationResult result = RegisterPdfAssociation(exe, appDir);
  ASSERT_TRUE(result.Ok) << result.Error;

  TIniFile entry((dir / "data/applications" / kDesktopFileName).string());
  EXPECT_EQ(entry.ReadString("Desktop Entry", "Exec", ""), "\"" + exe + "\" %f");
  // Without an icon file beside the program (an installed program), the
  // icon theme's name; with one (the build folder), its path.
  EXPECT_EQ(entry.ReadString("Desktop Entry", "Icon", ""), "drevlin-pdf-converter");
  Write(dir / "drevlin-pdf-converter.png", "");
  EXPECT_EQ(AssociationIcon(appDir), appDir + "drevlin-pdf-converter.png");
  EXPECT_EQ(entry.ReadString("Desktop Entry", "MimeType", ""), "application/pdf;");
  EXPECT_EQ(entry.ReadString("Desktop Entry", "Type", ""), "Application");

  EXPECT_EQ(Read(dir / "config/mimeapps.list"),
            "[Default Applications]\ntext/plain=editor.desktop\napplication/pdf=drevlin-pdf-converter.desktop\n");
  // Every start writes it again, without piling up entries.
  ASSERT_TRUE(RegisterPdfAssociation(exe, appDir).Ok);
  EXPECT_EQ(Read(dir / "config/mimeapps.list"),
            "[Default Applications]\ntext/plain=editor.desktop\napplication/pdf=drevlin-pdf-converter.desktop\n");
}

TEST_F(AssociationTest, RefusedWriteIsReported) {
  Write(dir / "blocked", "");
  ::setenv("XDG_DATA_HOME", (dir / "blocked").c_str(), 1);
  TAssociationResult result = RegisterPdfAssociation(appDir + "prog", appDir);
  EXPECT_FALSE(result.Ok);
  EXPECT_NE(result.Error.find("blocked"), std::string::npos);
}

}  // namespace
}  // namespace drevlin

namespace drevlin {
namespace {

TEST(DialogFilters, BarFiltersBecomeDialogFilters) {
  EXPECT_EQ(DialogFilterOf("Adobe PDF Files (*.pdf)|*.pdf"), "Adobe PDF Files (*.pdf)");
  EXPECT_EQ(DialogFilterOf("All Files|*.*"), "All Files (*)");
  EXPECT_EQ(DialogFilterOf("Bitmap file (*.bmp)|*.bmp|JPEG file (*.jpg, *.jpeg)|*.jpg; *.jpeg|PNG file (*.png)|*.png"),
            "Bitmap file (*.bmp);;JPEG file (*.jpg *.jpeg);;PNG file (*.png)");
  EXPECT_EQ(DialogFilterOf("Текст|*.txt"), "Текст (*.txt)");
  EXPECT_EQ(DialogFilterOf("Broken"), "Broken (*)");  // a translation that lost its pattern still opens
}

}  // namespace
}  // namespace drevlin
