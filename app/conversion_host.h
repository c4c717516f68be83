#pragma once
// What a conversion tells whoever runs it (messages, failures, progress), and
// what the window's controller further asks of its window: the save dialogs.
#include <optional>
#include <string>

namespace drevlin {

class TConversionEvents {
 public:
  virtual ~TConversionEvents() = default;
  // A plain message box ("No text found!").
  virtual void ShowMessage(const std::string& text) = 0;
  // A conversion step failed or skipped an input; one line naming the file.
  virtual void ReportFailure(const std::string& text) = 0;
  // Work in progress: item done of total.
  virtual void ReportProgress(int done, int total) {}
};

struct TSaveRequest {
  int Mode = 0;             // selected conversion, 0..4
  std::string InitialDir;   // the output folder
  std::string InitialName;  // proposed file name
};

struct TSaveChoice {
  std::string Path;         // the accepted path (modes 1 to 4)
  int FilterIndex = 1;      // mode 0: the chosen image format, 1..5
};

class TConversionHost : public TConversionEvents {
 public:
  // Shows the save dialog of the mode; nothing when the user cancelled.
  virtual std::optional<TSaveChoice> AskSave(const TSaveRequest& request) = 0;
};

}  // namespace drevlin
