#pragma once
// Qt's own texts (the buttons of message boxes, the file dialogs) in the
// interface language, from the translations Qt ships.
#include <string>

namespace drevlin {

// Language is the name of a language file: "Russian" takes Qt's Russian
// texts; any other name, or translations that are not installed, leaves Qt
// in English. Returns whether a translation is in use.
bool UseQtTranslation(const std::string& language);

}  // namespace drevlin
