#include "app/pdf_association.h"

#include <filesystem>

#include "app/ini_file.h"
#include "app/settings.h"
#include "platform/file_io.h"

namespace drevlin {

namespace {

// Escapes of a string value in a desktop entry (applied last, over the whole value).
std::string EscapeDesktopString(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case ' ': out += i == 0 ? "\\s" : " "; break;
      default: out += c;
    }
  }
  return out;
}

// One Exec argument in double quotes: the four characters the Exec rules
// reserve inside quotes take a backslash, and "%" is doubled so that it is not
// read as a field code.
std::string QuoteExecArgument(const std::string& arg) {
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  return out + "\"";
}

}  // namespace

std::string AssociationIcon(const std::string& appDir) {
  // The build leaves the icon beside the program; an installed program has it
  // in the icon theme, found by name.
  std::string beside = appDir + kIconName + ".png";
  std::error_code ec;
  return std::filesystem::exists(beside, ec) ? beside : kIconName;
}

std::string DesktopExecLine(const std::string& executablePath) {
  // %f: the desktop hands the file's path as one argument, quoted by itself.
  return QuoteExecArgument(executablePath) + " %f";
}

std::string DesktopEntryText(const std::string& executablePath, const std::string& iconPath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Drevlin PDF Converter\n"
         "Comment=pdf files (and to pdf) converter\n"
         "Exec=" + EscapeDesktopString(DesktopExecLine(executablePath)) + "\n"
         "Icon=" + EscapeDesktopString(iconPath) + "\n"
         "Terminal=false\n"
         "MimeType=application/pdf;\n"
         "Categories=Office;Utility;\n";
}

TAssociationResult RegisterPdfAssociation(const std::string& executablePath, const std::string& appDir) {
  std::error_code ec;
  std::string exe = std::filesystem::absolute(executablePath, ec).string();
  std::string applications = XdgDataHome() + "/applications/";
  std::filesystem::create_directories(applications, ec);
  std::string entryPath = applications + kDesktopFileName;
  if (!ostrel::WriteWholeFile(entryPath, DesktopEntryText(exe, AssociationIcon(appDir))))
    return {false, "cannot write " + entryPath, entryPath};

  std::string config = XdgConfigHome();
  std::filesystem::create_directories(config, ec);
  TIniFile mimeapps(config + "/mimeapps.list");
  if (!mimeapps.WriteString("Default Applications", "application/pdf", kDesktopFileName))
    return {false, "cannot write " + mimeapps.Path(), mimeapps.Path()};
  return {};
}

}  // namespace drevlin
