#pragma once
// Makes the converter the desktop's handler of PDF files: a desktop entry in
// $XDG_DATA_HOME/applications and the application/pdf default in
// $XDG_CONFIG_HOME/mimeapps.list, written at every start.
#include <string>

namespace drevlin {

inline constexpr const char* kDesktopFileName = "drevlin-pdf-converter.desktop";
inline constexpr const char* kIconName = "drevlin-pdf-converter";

struct TAssociationResult {
  bool Ok = true;
  std::string Error;  // names the file that could not be written
  std::string File;   // that file alone, for messages worded elsewhere
};

// The Exec line's command for the executable: the path quoted as desktop
// entries require (so blanks, quotes and "$" survive), then the file argument.
std::string DesktopExecLine(const std::string& executablePath);

// The entry's Icon=: the icon file beside the program when the build put one
// there, otherwise the icon theme's name of the installed icon.
std::string AssociationIcon(const std::string& appDir);

// The whole desktop entry; icon is the icon file's path.
std::string DesktopEntryText(const std::string& executablePath, const std::string& iconPath);

// Writes both files; the icon is AssociationIcon(appDir).
TAssociationResult RegisterPdfAssociation(const std::string& executablePath, const std::string& appDir);

}  // namespace drevlin
