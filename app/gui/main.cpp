// Drevlin PDF Converter, the window program.
//   FILE...              open the files as if chosen with Select file, in the
//                        mode their type suggests (the desktop passes a PDF)
//   --quit-after-start   build every window, read the files given, then quit
//                        (a start-up check)
//   --screenshot DIR     save the main window (idle and converting) and the
//                        About window in both languages as PNG files in DIR,
//                        then quit
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFont>
#include <QTemporaryDir>
#include <QTimer>

#include <cstring>
#include <string>
#include <vector>

#include "app/gui/form_main.h"
#include "app/gui/screenshots.h"

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
  // The pictures show a real conversion, which reads and writes here.
  QTemporaryDir workDir;
  drevlin::TForm1 window(executable,
                         screenshotDir.isEmpty() ? nullptr : drevlin::ScreenshotDialogs(workDir.path()));
  window.show();
  if (!screenshotDir.isEmpty()) {
    QTimer::singleShot(0, &window, [&] {
      drevlin::SaveScreenshots(window, screenshotDir, workDir.path());
      window.close();
    });
  } else {
    // Once the window is up: showing it made the fresh facade the files go to.
    QTimer::singleShot(0, &window, [&] {
      if (!files.empty()) window.OpenFiles(files);
      if (!quitAfterStart) return;
      auto* poll = new QTimer(&window);
      QObject::connect(poll, &QTimer::timeout, &window, [&] {
        if (!window.Busy()) window.close();
      });
      poll->start(20);
    });
  }
  return app.exec();
}
