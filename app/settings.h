#pragma once
// The three settings the converter keeps between runs, in the "Options"
// section of an INI file named after the executable. The file lives beside
// the executable; when that folder is not writable (an installed program) it
// lives in the user's configuration folder instead.
#include <string>

namespace drevlin {

struct TSettings {
  std::string Language = "English";
  std::string OutputDir;  // empty: the executable's folder
  int ConvertMode = 0;    // as stored, even outside the five modes
};

// $XDG_CONFIG_HOME, or ~/.config when it is unset or not an absolute path.
std::string XdgConfigHome();
// $XDG_DATA_HOME, or ~/.local/share likewise.
std::string XdgDataHome();

// The folder for files the program writes beside itself (settings and the
// downloaded version file): appDir when writable, otherwise
// $XDG_CONFIG_HOME/drevlin-pdf-converter/ (created on demand). Ends with "/".
std::string WritableAppFolder(const std::string& appDir);
// Where outputs go until the user picks a folder: the program's folder, or the
// home folder for an installed program whose folder is not writable.
std::string DefaultOutputFolder(const std::string& appDir);

// The settings file of the executable at executablePath: its file name plus
// ".ini", in WritableAppFolder of the executable's folder.
std::string SettingsFilePath(const std::string& executablePath);

// Missing file or keys give the defaults; OutputDir defaults to appDir.
TSettings ReadSettings(const std::string& path, const std::string& appDir);

// Writes the three keys. False when the file cannot be written, so that the
// caller can tell the user rather than lose the settings silently.
bool WriteSettings(const std::string& path, const TSettings& settings);

// The mode the window's radio group shows for a stored "convert" value:
// values beyond the five modes select the nearest one, negative ones none.
int ModeSelectionOf(int convertMode);

}  // namespace drevlin
