// Drevlin PDF Converter, the window program.
//   FILE...              open the files as if chosen with Select file, in the
//                        mode their type suggests (the desktop passes a PDF)
//   --quit-after-start   build every window, then quit (a start-up check)
//   --screenshot DIR     save the main window (idle and converting) and the
//                        About window in both languages as PNG files in DIR,
//                        then quit
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QTimer>

#include <cstring>
#include <string>
#include <vector>

#include "app/gui/form_about.h"
#include "app/gui/form_main.h"

namespace {

void SaveScreenshots(drevlin::TForm1& window, const QString& dir) {
  QDir().mkpath(dir);
  for (const char* language : {"English", "Russian"}) {
    window.SetLanguage(language);
    QApplication::processEvents();
    window.grab().save(dir + "/main-" + language + ".png");
    // The display a conversion shows, halfway through a 12-page document.
    window.SetBusy(true, drevlin::TForm1::TProgressKind::Pages);
    window.ShowProgress(5, 12);
    QApplication::processEvents();
    window.grab().save(dir + "/converting-" + language + ".png");
    window.SetBusy(false);
    drevlin::TFormAbout* about = window.FormAbout();
    about->show();
    QApplication::processEvents();
    about->grab().save(dir + "/about-" + language + ".png");
    about->hide();
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QFont font = QApplication::font();
  font.setPointSize(8);
  QApplication::setFont(font);

  bool quitAfterStart = false;
  QString screenshotDir;
  std::vector<std::string> files;
  // QApplication has taken its own options out of argv already.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quit-after-start") == 0) {
      quitAfterStart = true;
    } else if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
      screenshotDir = argv[++i];
    } else if (argv[i][0] != '-' || argv[i][1] == '\0') {
      files.push_back(QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath().toStdString());
    }
  }

  std::string executable = QCoreApplication::applicationFilePath().toStdString();
  drevlin::TForm1 window(executable);
  window.show();
  if (!screenshotDir.isEmpty()) {
    QTimer::singleShot(0, &window, [&] {
      std::string language = window.Controller().Language;
      SaveScreenshots(window, screenshotDir);
      window.SetLanguage(language);
      window.close();
    });
  } else if (quitAfterStart) {
    QTimer::singleShot(0, &window, [&] { window.close(); });
  } else if (!files.empty()) {
    // Once the window is up: showing it made the fresh facade the files go to.
    QTimer::singleShot(0, &window, [&] { window.OpenFiles(files); });
  }
  return app.exec();
}
