// The main window driven offscreen, with scripted answers in place of its
// dialogs: modes, Select and Convert, languages and the settings file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <deque>
#include <filesystem>
#include <fstream>

#include "app/gui/form_main.h"
#include "app/gui/window_dialogs.h"
#include "app/ini_file.h"

namespace drevlin {
namespace {

namespace fs = std::filesystem;

struct Script {
  std::deque<std::vector<std::string>> opens;  // empty entry: cancelled
  std::deque<std::optional<TSaveDialogAnswer>> saves;
  std::optional<std::string> folder;
  std::vector<TOpenDialogRequest> openRequests;
  std::vector<TSaveDialogRequest> saveRequests;
  std::vector<std::string> messages;
  std::vector<std::string> warnings;
};

class ScriptedDialogs : public TWindowDialogs {
 public:
  explicit ScriptedDialogs(Script& s) : s_(s) {}
  std::vector<std::string> OpenFiles(const TOpenDialogRequest& r) override {
    s_.openRequests.push_back(r);
    if (s_.opens.empty()) return {};
    auto answer = s_.opens.front();
    s_.opens.pop_front();
    return answer;
  }
  std::optional<TSaveDialogAnswer> SaveFile(const TSaveDialogRequest& r) override {
    s_.saveRequests.push_back(r);
    if (s_.saves.empty()) return std::nullopt;
    auto answer = s_.saves.front();
    s_.saves.pop_front();
    return answer;
  }
  std::optional<std::string> ChooseFolder(const std::string&) override { return s_.folder; }
  void Message(const std::string&, const std::string& text) override { s_.messages.push_back(text); }
  void Warning(const std::string&, const std::string& text) override { s_.warnings.push_back(text); }

 private:
  Script& s_;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("drevlin-gui-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    fs::copy(LANGUAGE_DIR, dir / "language", fs::copy_options::recursive);
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    exe = (dir / "drevlin-pdf-converter").string();
  }
  void TearDown() override {
    window.reset();
    fs::remove_all(dir);
  }
  TForm1& Open() {
    window = std::make_unique<TForm1>(exe, std::make_unique<ScriptedDialogs>(script));
    window->show();
    QApplication::processEvents();
    return *window;
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  fs::path dir;
  std::string exe;
  Script script;
  std::unique_ptr<TForm1> window;
};

TEST_F(MainWindowTest, StartsWithDefaultsAndWritesTheAssociation) {
  TForm1& w = Open();
  EXPECT_EQ(w.windowTitle().toStdString(), "Drevlin PDF Converter 1.0");
  EXPECT_EQ(w.SelectedMode(), 0);
  EXPECT_TRUE(w.LanguageAction(false)->isChecked());
  EXPECT_FALSE(w.LanguageAction(true)->isChecked());
  EXPECT_EQ(w.EditSaveDir()->text().toStdString(), dir.string() + "/");
  EXPECT_FALSE(w.ButtonConvert()->isEnabled());
  EXPECT_TRUE(fs::exists(dir / "data/applications/drevlin-pdf-converter.desktop"));
  EXPECT_TRUE(script.warnings.empty());
}

TEST_F(MainWindowTest, StoredModeBeyondTheListShowsSplitAndIsWrittenBack) {
  Write("drevlin-pdf-converter.ini", "[Options]\nconvert=9\nLanguage=Russian\n");
  TForm1& w = Open();
  EXPECT_EQ(w.SelectedMode(), 4);
  EXPECT_EQ(w.ButtonConvert()->text().toStdString(), "Преобразовать");
  EXPECT_TRUE(w.LanguageAction(true)->isChecked());
  w.close();
  TIniFile ini(w.SettingsPath());
  EXPECT_EQ(ini.ReadInteger("Options", "convert", 0), 9);
  EXPECT_EQ(ini.ReadString("Options", "Language", ""), "Russian");

  window.reset();
  TForm1& again = Open();
  again.ModeButton(2)->click();
  again.close();
  EXPECT_EQ(TIniFile(again.SettingsPath()).ReadInteger("Options", "convert", 0), 2);
}

TEST_F(MainWindowTest, UnwritableSettingsAreReported) {
  fs::create_directories(dir / "drevlin-pdf-converter.ini");  // a folder where the file should go
  TForm1& w = Open();
  w.close();
  ASSERT_EQ(script.warnings.size(), 1u);
  EXPECT_NE(script.warnings[0].find("drevlin-pdf-converter.ini"), std::string::npos);
}

TEST_F(MainWindowTest, LanguageSwitchKeepsTextsTheFileLacks) {
  Write("language/Partial.ini", "[Interface]\nButtonSelect.Caption=Pick\n");
  TForm1& w = Open();
  w.SetLanguage("Russian");
  EXPECT_EQ(w.ButtonSelect()->text().toStdString(), "Выбрать файл");
  EXPECT_EQ(w.ModeButton(3)->text().toStdString(), "картинки в pdf");
  w.SetLanguage("Partial");
  EXPECT_EQ(w.ButtonSelect()->text().toStdString(), "Pick");
  EXPECT_EQ(w.ButtonConvert()->text().toStdString(), "Преобразовать");
  EXPECT_FALSE(w.LanguageAction(true)->isChecked());
  EXPECT_FALSE(w.LanguageAction(false)->isChecked());
}

TEST_F(MainWindowTest, CancelledDialogsChangeNothing) {
  TForm1& w = Open();
  script.opens.push_back({});
  w.ButtonSelect()->click();
  EXPECT_FALSE(w.ButtonConvert()->isEnabled());
  script.folder.reset();
  w.ButtonSelectDirClick();
  EXPECT_EQ(w.Controller().OutputDir, dir.string() + "/");

  script.folder = (dir / "out").string();
  w.ButtonSelectDirClick();
  EXPECT_EQ(w.EditSaveDir()->text().toStdString(), (dir / "out").string() + "/");
}

TEST_F(MainWindowTest, EachModeAsksTheRightDialogs) {
  TForm1& w = Open();
  std::string text = Write("notes.txt", "one\ntwo\n");
  w.ModeButton(2)->click();
  EXPECT_EQ(w.Controller().ConvertMode, 2);
  script.opens.push_back({text});
  w.ButtonSelect()->click();
  EXPECT_EQ(script.openRequests.back().Filter, "Text files (*.txt)|*.txt");
  EXPECT_TRUE(w.ButtonConvert()->isEnabled());

  std::string target = (dir / "out" / "built.pdf").string();
  script.saves.push_back(TSaveDialogAnswer{target, 1});
  w.ButtonConvert()->click();
  ASSERT_EQ(script.saveRequests.size(), 1u);
  EXPECT_EQ(script.saveRequests[0].InitialName, "pdf_from_text.pdf");
  EXPECT_EQ(script.saveRequests[0].InitialDir, dir.string() + "/");
  EXPECT_EQ(script.saveRequests[0].Filter, "Adobe PDF File (*.pdf)|*.pdf");
  EXPECT_EQ(script.saveRequests[0].DefaultSuffix, "pdf");
  EXPECT_TRUE(fs::exists(target));

  // Cancelling the save dialog writes nothing and keeps Convert available.
  w.ModeButton(3)->click();
  w.ButtonConvert()->click();
  EXPECT_EQ(script.saveRequests.back().InitialName, "pdf_from_images.pdf");
  EXPECT_TRUE(w.ButtonConvert()->isEnabled());

  w.ModeButton(3)->click();
  script.opens.push_back({});
  w.ButtonSelect()->click();
  EXPECT_TRUE(script.openRequests.back().Multiple);
  EXPECT_EQ(script.openRequests.back().Filter, "All Files|*.*");

  w.SetLanguage("Russian");
  w.ModeButton(0)->click();
  script.opens.push_back({});
  w.ButtonSelect()->click();
  EXPECT_EQ(script.openRequests.back().Filter, "Файлы Adobe PDF (*.pdf)|*.pdf");
}

}  // namespace
}  // namespace drevlin

int main(int argc, char** argv) {
  // The windows are tested without a display, also when listing the tests.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
