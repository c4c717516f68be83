// The main window driven offscreen, with scripted answers in place of its
// dialogs: modes, Select and Convert on the worker thread with progress and
// Cancel, files given or dropped, languages and the settings file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <deque>
#include <filesystem>
#include <fstream>

#include "app/converter.h"
#include "app/gui/form_about.h"
#include "app/gui/form_main.h"
#include "app/gui/form_update.h"
#include "app/gui/link_label.h"
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
  // Lets the window's thread run until no step is running.
  void WaitIdle() {
    for (int i = 0; i < 3000 && window->Busy(); ++i) QTest::qWait(10);
    ASSERT_FALSE(window->Busy()) << "the step did not end";
  }
  // A PDF of text pages (37 lines a page), made by the converter itself.
  std::string MakePdf(const std::string& name, int pages) {
    std::string lines;
    for (int i = 0; i < pages * 37 - 1; ++i) lines += "line " + std::to_string(i) + "\n";
    struct : TConversionEvents {
      void ShowMessage(const std::string&) override {}
      void ReportFailure(const TFailure&) override {}
    } quiet;
    TConverter converter(quiet);
    TConversionRequest request;
    request.Mode = kModeTextToPdf;
    request.Inputs = {Write(name + ".txt", lines)};
    request.Output = (dir / name).string();
    EXPECT_TRUE(converter.Run(request).Ok);
    return request.Output;
  }
  std::string MakeImage(const std::string& name) {
    std::string path = (dir / name).string();
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    EXPECT_TRUE(image.save(QString::fromStdString(path)));
    return path;
  }
  // Files dropped on the window as a file manager drops them.
  bool Drop(const std::vector<std::string>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
    data.setUrls(urls);
    QPoint at = window->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    QApplication::processEvents();
    return drop.isAccepted();
  }
  std::vector<std::string> WrittenFiles(const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir / "out")) {
      std::string name = entry.path().filename().string();
      if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    return names;
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

TEST_F(MainWindowTest, UnwritableSettingsAndAssociationAreReportedInTheLanguage) {
  fs::create_directories(dir / "drevlin-pdf-converter.ini");  // a folder where the file should go
  TForm1& w = Open();
  w.SetLanguage("Russian");
  w.close();
  EXPECT_EQ(script.warnings,
            std::vector<std::string>{"Не удалось сохранить настройки в " +
                                     (dir / "drevlin-pdf-converter.ini").string() + "."});

  window.reset();
  script.warnings.clear();
  fs::remove(dir / "drevlin-pdf-converter.ini");
  Write("drevlin-pdf-converter.ini", "[Options]\nLanguage=Russian\n");
  Write("blocked", "");
  ::setenv("XDG_DATA_HOME", (dir / "blocked").c_str(), 1);
  Open();
  ASSERT_EQ(script.warnings.size(), 1u);
  EXPECT_EQ(script.warnings[0].rfind("Не удалось записать привязку файлов PDF в " + (dir / "blocked").string(), 0), 0u)
      << script.warnings[0];
}

TEST_F(MainWindowTest, LanguageSwitchKeepsTextsTheFileLacks) {
  Write("language/Partial.ini", "[Interface]\nButtonSelect.Caption=Pick\n");
  TForm1& w = Open();
  w.SetLanguage("Russian");
  EXPECT_EQ(w.ButtonSelect()->text().toStdString(), "Выбрать файл");
  EXPECT_EQ(w.ModeButton(3)->text().toStdString(), "картинки в pdf");
  // Qt's own buttons (message boxes, file dialogs) follow where Qt's
  // translations are installed.
  bool qtRussian = QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ru.qm");
  if (qtRussian) {
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "Отмена");
  }
  w.SetLanguage("Partial");
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "Cancel");
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
  WaitIdle();
  EXPECT_EQ(script.openRequests.back().Filter, "Text files (*.txt)|*.txt");
  EXPECT_TRUE(w.ButtonConvert()->isEnabled());

  std::string target = (dir / "out" / "built.pdf").string();
  script.saves.push_back(TSaveDialogAnswer{target, 1});
  w.ButtonConvert()->click();
  WaitIdle();
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

TEST_F(MainWindowTest, ConvertsOnAWorkerWithProgressAndCancel) {
  const int kPages = 100;
  std::string pdf = MakePdf("book.pdf", kPages);
  TForm1& w = Open();
  script.opens.push_back({pdf});
  w.ButtonSelect()->click();
  WaitIdle();
  ASSERT_TRUE(w.ButtonConvert()->isEnabled());
  w.ButtonSelectDirClick();  // no folder chosen: stays
  script.folder = (dir / "out").string();
  w.ButtonSelectDirClick();

  QSignalSpy progress(w.ProgressBar(), &QProgressBar::valueChanged);
  script.saves.push_back(TSaveDialogAnswer{"ignored", 3});  // PNG
  QTest::mouseClick(w.ButtonConvert(), Qt::LeftButton);
  // The click returned at once: the pages are written on another thread
  // while the window shows the count and offers Cancel.
  ASSERT_TRUE(w.Busy());
  EXPECT_TRUE(w.ButtonCancel()->isVisible());
  EXPECT_TRUE(w.ProgressBar()->isVisible());
  EXPECT_FALSE(w.ButtonSelect()->isVisible());
  EXPECT_FALSE(w.ModeButton(0)->isEnabled());
  EXPECT_FALSE(w.OpenFiles({pdf}));  // nothing else starts meanwhile
  while (w.Busy() && w.ProgressBar()->value() < 1) ASSERT_TRUE(progress.wait(5000));
  EXPECT_EQ(w.ProgressBar()->maximum(), kPages);
  EXPECT_NE(w.LabelProgress()->text().toStdString().find(" of " + std::to_string(kPages)), std::string::npos);
  QTest::mouseClick(w.ButtonCancel(), Qt::LeftButton);
  EXPECT_FALSE(w.ButtonCancel()->isEnabled());
  WaitIdle();

  // Stopped after the page in hand; every page finished before is kept.
  std::vector<std::string> written = WrittenFiles("book");
  EXPECT_GE(written.size(), 1u);
  EXPECT_LT(written.size(), static_cast<size_t>(kPages));
  for (size_t page = 1; page <= written.size(); ++page)
    EXPECT_TRUE(fs::exists(dir / "out" / ("book" + std::to_string(page) + ".png"))) << page;
  EXPECT_TRUE(script.warnings.empty());
  EXPECT_TRUE(script.messages.empty());
  EXPECT_FALSE(w.ButtonCancel()->isVisible());
  EXPECT_TRUE(w.ButtonConvert()->isVisible());
  EXPECT_TRUE(w.ButtonConvert()->isEnabled());
  EXPECT_TRUE(w.ModeButton(0)->isEnabled());

  // Closing in the middle of a run stops it and waits for it.
  script.saves.push_back(TSaveDialogAnswer{"ignored", 1});  // BMP
  w.ButtonConvert()->click();
  ASSERT_TRUE(w.Busy());
  w.close();
  EXPECT_LT(WrittenFiles("book").size(), written.size() + static_cast<size_t>(kPages));
  QApplication::processEvents();
  EXPECT_TRUE(script.warnings.empty());
}

TEST_F(MainWindowTest, FailuresShowOneMessageInTheLanguage) {
  TForm1& w = Open();
  w.SetLanguage("Russian");
  w.ModeButton(3)->click();
  std::vector<std::string> images = {Write("a.png", "not an image"), MakeImage("good.png"),
                                     (dir / "gone.gif").string()};
  for (int i = 0; i < 25; ++i) images.push_back(Write("bad" + std::to_string(i) + ".jpg", "x"));
  script.opens.push_back(images);
  w.ButtonSelect()->click();
  WaitIdle();
  ASSERT_EQ(script.warnings.size(), 1u);
  const std::string& listed = script.warnings[0];
  EXPECT_EQ(listed.rfind("Эти картинки не удалось прочитать, они пропущены:\n", 0), 0u) << listed;
  EXPECT_NE(listed.find(images[0] + ": не удаётся прочитать картинку; она пропущена"), std::string::npos);
  EXPECT_NE(listed.find(images[2] + ": файл не найден"), std::string::npos);
  EXPECT_EQ(listed.find("good.png"), std::string::npos);
  // 27 left out, 20 listed.
  EXPECT_NE(listed.find("\n... и ещё 7"), std::string::npos) << listed;

  // A page made from an image has no text: the one plain message, translated.
  script.saves.push_back(TSaveDialogAnswer{(dir / "out/images.pdf").string(), 1});
  w.ButtonConvert()->click();
  WaitIdle();
  script.warnings.clear();
  w.ModeButton(1)->click();
  script.opens.push_back({(dir / "out/images.pdf").string()});
  w.ButtonSelect()->click();
  WaitIdle();
  w.ButtonConvert()->click();
  WaitIdle();
  EXPECT_EQ(script.messages, std::vector<std::string>{"Текст не найден!"});

  std::string notPdf = Write("notes.pdf", "plain words");
  w.OpenFiles({notPdf});
  WaitIdle();
  EXPECT_EQ(script.warnings, std::vector<std::string>{notPdf + ": это не файл PDF"});
}

TEST_F(MainWindowTest, GivenAndDroppedFilesAreSelectedInTheirMode) {
  std::string pdf = MakePdf("paper.pdf", 1);
  std::string text = Write("notes.txt", "words\n");
  std::string image = MakeImage("photo.png");
  std::string bmp = MakeImage("scan.bmp");
  TForm1& w = Open();
  struct Case {
    const char* Name;
    int ModeBefore;
    std::vector<std::string> Files;
    int Mode;
    std::string Input;
  } cases[] = {
      {"a PDF in a mode that builds PDFs", kModeTextToPdf, {pdf}, kModePdfToImages, pdf},
      {"a PDF in a mode that reads PDFs", kModeSplitPdf, {pdf, text}, kModeSplitPdf, pdf},
      {"a text file", kModePdfToImages, {text}, kModeTextToPdf, text},
      {"images, other files left aside", kModePdfToText, {image, text, bmp}, kModeImagesToPdf, image},
  };
  for (bool dropped : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.Name) + (dropped ? ", dropped" : ", given"));
      w.ModeButton(c.ModeBefore)->click();
      w.Controller().InputPath.clear();
      EXPECT_TRUE(dropped ? Drop(c.Files) : w.OpenFiles(c.Files));
      WaitIdle();
      EXPECT_EQ(w.SelectedMode(), c.Mode);
      EXPECT_EQ(w.Controller().InputPath, c.Input);
      EXPECT_TRUE(w.ButtonConvert()->isEnabled());
    }
  }
  EXPECT_TRUE(script.warnings.empty());
  // Images to pdf took both images: the BMP is the second page.
  EXPECT_EQ(w.Controller().Pdf().PageCount(), 2);

  // A file of no known kind is refused with one message and changes nothing.
  std::string odd = Write("data.bin", "\x01\x02");
  EXPECT_FALSE(w.OpenFiles({odd}));
  EXPECT_EQ(script.warnings, std::vector<std::string>{odd + ": cannot tell which conversion this file is for"});
  EXPECT_EQ(w.SelectedMode(), kModeImagesToPdf);
  EXPECT_FALSE(Drop({}));
}

TEST_F(MainWindowTest, AboutLinkIsShownWhole) {
  TForm1& w = Open();
  for (const char* language : {"English", "Russian"}) {
    w.SetLanguage(language);
    TFormAbout* about = w.FormAbout();
    about->show();
    QApplication::processEvents();
    QWidget* link = about->LabelSite();
    QRect shown = link->geometry().intersected(link->parentWidget()->rect());
    EXPECT_EQ(shown, link->geometry()) << language;
    EXPECT_LE(link->mapTo(about, QPoint(link->width(), 0)).x(), about->width()) << language;
    EXPECT_FALSE(link->property("text").toString().isEmpty());
    about->hide();
  }
  // The update window shows the same address when a newer version exists.
  TFormUpdate* update = w.FormUpdate();
  update->SetLink(w.Texts()[TUiText::FormAboutLabelSite]);
  for (QLabel* label : update->findChildren<QLabel*>()) {
    EXPECT_GE(label->x(), 0);
    EXPECT_LE(label->geometry().right(), update->width());
  }
  update->SetLink("");
  EXPECT_EQ(update->width(), 329);
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
