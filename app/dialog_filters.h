#pragma once
// File-type filters are kept (and translated in the language files) in the
// classic "description|patterns|description|patterns" form; the dialogs of
// the window layer take "description (patterns);;description (patterns)".
#include <string>

namespace drevlin {

// "Adobe PDF Files (*.pdf)|*.pdf" -> "Adobe PDF Files (*.pdf)";
// "JPEG file (*.jpg, *.jpeg)|*.jpg; *.jpeg" -> "JPEG file (*.jpg *.jpeg)".
// "*.*" means every file, which on this system is "*" (names need no dot).
std::string DialogFilterOf(const std::string& barFilter);

}  // namespace drevlin
