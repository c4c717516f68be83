#include "app/gui/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <map>
#include <memory>

namespace drevlin {

bool UseQtTranslation(const std::string& language) {
  // Qt's translations are named by locale; the language files by the
  // language's English name.
  static const std::map<std::string, QString> kLocales = {{"Russian", "ru"}};
  static std::unique_ptr<QTranslator> installed;
  if (installed) {
    QCoreApplication::removeTranslator(installed.get());
    installed.reset();
  }
  auto locale = kLocales.find(language);
  if (locale == kLocales.end()) return false;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load("qtbase_" + locale->second, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return false;
  QCoreApplication::installTranslator(translator.get());
  installed = std::move(translator);
  return true;
}

}  // namespace drevlin
