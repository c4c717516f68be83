#include "app/gui/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QProgressBar>

#include <cstdio>
#include <fstream>

#include "app/converter.h"
#include "app/gui/form_about.h"
#include "app/gui/form_main.h"
#include "app/gui/window_dialogs.h"

namespace drevlin {

namespace {

class TScriptedDialogs : public TWindowDialogs {
 public:
  explicit TScriptedDialogs(std::string workDir) : workDir_(std::move(workDir)) {}
  std::vector<std::string> OpenFiles(const TOpenDialogRequest&) override { return {}; }
  std::optional<TSaveDialogAnswer> SaveFile(const TSaveDialogRequest&) override {
    return TSaveDialogAnswer{workDir_ + "/page.png", 3};  // PNG
  }
  std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
  void Message(const std::string&, const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  void Warning(const std::string&, const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }

 private:
  std::string workDir_;
};

class TQuietEvents : public TConversionEvents {
 public:
  void ShowMessage(const std::string&) override {}
  void ReportFailure(const TFailure&) override {}
};

constexpr int kPictureDocumentPages = 12;

// A document of text pages to convert for the picture.
std::string MakeDocument(const std::string& workDir) {
  std::string text;
  for (int line = 1; line < kPictureDocumentPages * 37; ++line) text += "Line " + std::to_string(line) + "\n";
  std::ofstream(workDir + "/document.txt", std::ios::binary) << text;
  TQuietEvents quiet;
  TConverter converter(quiet);
  TConversionRequest request;
  request.Mode = kModeTextToPdf;
  request.Inputs = {workDir + "/document.txt"};
  request.Output = workDir + "/document.pdf";
  converter.Run(request);
  return request.Output;
}

void WaitWhileBusy(TForm1& window) {
  while (window.Busy()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Converts the document to images and takes the picture from inside the
// progress update of its fifth page, so that the window is caught in the
// middle of the run whatever the speed of the machine; then cancels.
void SaveConverting(TForm1& window, const QString& file, const std::string& document) {
  window.OpenFiles({document});
  WaitWhileBusy(window);
  bool saved = false;
  auto connection = QObject::connect(window.ProgressBar(), &QProgressBar::valueChanged, [&](int value) {
    if (saved || value < kPictureDocumentPages / 2 - 1) return;
    saved = true;
    window.grab().save(file);
    window.ButtonCancelClick();
  });
  window.ButtonConvertClick();
  WaitWhileBusy(window);
  QObject::disconnect(connection);
}

}  // namespace

std::unique_ptr<TWindowDialogs> ScreenshotDialogs(const QString& workDir) {
  return std::make_unique<TScriptedDialogs>(workDir.toStdString());
}

void SaveScreenshots(TForm1& window, const QString& dir, const QString& workDir) {
  QDir().mkpath(dir);
  std::string language = window.Controller().Language;
  std::string outputDir = window.Controller().OutputDir;
  int mode = window.SelectedMode();
  window.Controller().SetOutputDir(workDir.toStdString());
  window.rgConvertClick(kModePdfToImages);
  const char* languages[] = {"English", "Russian"};
  // The idle pictures first, while no file is selected.
  for (const char* name : languages) {
    window.SetLanguage(name);
    QApplication::processEvents();
    window.grab().save(dir + "/main-" + name + ".png");
    TFormAbout* about = window.FormAbout();
    about->show();
    QApplication::processEvents();
    about->grab().save(dir + "/about-" + name + ".png");
    about->hide();
  }
  std::string document = MakeDocument(workDir.toStdString());
  for (const char* name : languages) {
    window.SetLanguage(name);
    SaveConverting(window, dir + "/converting-" + name + ".png", document);
  }
  window.SetLanguage(language);
  window.Controller().SetOutputDir(outputDir);
  if (mode >= 0) window.rgConvertClick(mode);
}

}  // namespace drevlin
