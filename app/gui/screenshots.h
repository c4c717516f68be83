#pragma once
// Pictures of the windows for the documentation: the main window idle and
// in the middle of a real conversion, and the About window, in English and
// Russian.
#include <QString>

#include <memory>

namespace drevlin {

class TForm1;
class TWindowDialogs;

// The answers the conversion in the pictures needs in place of the window's
// dialogs (the window is built with them): its output goes to workDir.
std::unique_ptr<TWindowDialogs> ScreenshotDialogs(const QString& workDir);

// Saves main-LANG.png, converting-LANG.png and about-LANG.png in dir. The
// conversion reads and writes in workDir. The window's language and output
// folder are as before afterwards.
void SaveScreenshots(TForm1& window, const QString& dir, const QString& workDir);

}  // namespace drevlin
