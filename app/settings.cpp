#include "app/settings.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/ini_file.h"

namespace drevlin {

namespace {

constexpr const char* kSection = "Options";

std::string WithSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

std::string XdgDir(const char* variable, const char* fallbackBelowHome) {
  const char* value = std::getenv(variable);
  // The base-directory rules ignore relative values.
  if (value && value[0] == '/') return value;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + fallbackBelowHome;
}

// Tried rather than asked of access(): read-only mounts, ACLs and a
// privileged user all make the permission bits a poor guide.
bool IsWritableFolder(const std::string& dir) {
  if (dir.empty()) return false;
  std::string probe = WithSlash(dir) + ".drevlin-write-test-" + std::to_string(::getpid());
  int fd = ::open(probe.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

}  // namespace

std::string XdgConfigHome() { return XdgDir("XDG_CONFIG_HOME", "/.config"); }
std::string XdgDataHome() { return XdgDir("XDG_DATA_HOME", "/.local/share"); }

std::string WritableAppFolder(const std::string& appDir) {
  if (IsWritableFolder(appDir)) return WithSlash(appDir);
  std::string folder = WithSlash(XdgConfigHome()) + "drevlin-pdf-converter/";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return folder;
}

std::string DefaultOutputFolder(const std::string& appDir) {
  if (IsWritableFolder(appDir)) return WithSlash(appDir);
  const char* home = std::getenv("HOME");
  return WithSlash(home && *home ? home : "/tmp");
}

std::string SettingsFilePath(const std::string& executablePath) {
  std::filesystem::path exe(executablePath);
  return WritableAppFolder(exe.parent_path().string()) + exe.filename().string() + ".ini";
}

TSettings ReadSettings(const std::string& path, const std::string& appDir) {
  TIniFile ini(path);
  TSettings settings;
  settings.Language = ini.ReadString(kSection, "Language", "English");
  settings.OutputDir = ini.ReadString(kSection, "OutputDir", DefaultOutputFolder(appDir));
  settings.ConvertMode = ini.ReadInteger(kSection, "convert", 0);
  return settings;
}

bool WriteSettings(const std::string& path, const TSettings& settings) {
  TIniFile ini(path);
  bool ok = ini.WriteString(kSection, "Language", settings.Language);
  ok = ini.WriteString(kSection, "OutputDir", settings.OutputDir) && ok;
  ok = ini.WriteInteger(kSection, "convert", settings.ConvertMode) && ok;
  return ok;
}

int ModeSelectionOf(int convertMode) { return std::clamp(convertMode, -1, 4); }

}  // namespace drevlin
