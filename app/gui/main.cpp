// Drevlin PDF Converter, the window program.
//   --quit-after-start   build every window, then quit (a start-up check)
//   --screenshot DIR     save the main and About windows in both languages
//                        as PNG files in DIR, then quit
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QTimer>

#include <cstring>
#include <string>

#include "app/gui/form_about.h"
#include "app/gui/form_main.h"

namespace {

void SaveScreenshots(drevlin::TForm1& window, const QString& dir) {
  QDir().mkpath(dir);
  for (const char* language : {"English", "Russian"}) {
    window.SetLanguage(language);
    QApplication::processEvents();
    window.grab().save(dir + "/main-" + language + ".png");
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
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quit-after-start") == 0) quitAfterStart = true;
    if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) screenshotDir = argv[++i];
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
  }
  return app.exec();
}
