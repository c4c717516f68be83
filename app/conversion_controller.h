#pragma once
// The converter's logic behind the main window: its state, the Select and
// Convert steps of the five conversions, start-up and shutdown. It turns the
// window's answers into conversion requests for TConverter. Free of any
// user-interface library.
#include <optional>
#include <string>
#include <vector>

#include "app/conversion_host.h"
#include "app/conversion_request.h"
#include "app/converter.h"
#include "app/file_names.h"

namespace drevlin {

class TConversionController {
 public:
  explicit TConversionController(TConversionHost& host);

  void FormCreate(const std::string& executablePath);
  void FormShow();
  void FormClose();

  void rgConvertClick(int index) { ConvertMode = index; }
  void ButtonSelectDirClick(const std::string& folder) { SetOutputDir(folder); }
  // The output folder, always ending with "/" so that it can prefix names.
  void SetOutputDir(const std::string& folder);

  TStepResult SelectInput(const std::vector<std::string>& paths);
  TStepResult ConvertSelected();

  // The same two steps cut where the slow work begins, so that a window can
  // run that work on another thread while its own thread stays with the
  // user. SelectRequest records the chosen paths and says what to load
  // (nothing without a mode); FinishSelect follows the load: it enables
  // Convert, or after a cancelled load drops what was read and disables it.
  // ConvertRequest shows the save dialog and names the outputs; nothing when
  // the dialog was cancelled. Converter() does the work in between.
  std::optional<TConversionRequest> SelectRequest(const std::vector<std::string>& paths);
  void FinishSelect(bool completed);
  std::optional<TConversionRequest> ConvertRequest();
  TConverter& Converter() { return converter_; }
  TStepResult SaveBuiltDocument(const std::string& path) { return converter_.SaveBuiltDocument(path); }

  bool ConvertEnabled() const { return convertEnabled_; }
  ostrel::TOstrel& Pdf() { return converter_.Pdf(); }

  int ConvertMode = kModePdfToImages;
  std::string InputPath;
  std::string InputName;
  std::string InputBaseName;
  std::string SplitBase;
  std::string OutputDir;
  std::string AppDir;
  std::string ProductName = kProductName;
  std::string ProductVersion = kProductVersion;
  std::string Language = "English";

 private:
  TConversionRequest Request() const;

  TConversionHost& host_;
  TConverter converter_;
  std::vector<std::string> inputs_;  // the paths of the last Select step
  bool convertEnabled_ = false;
};

}  // namespace drevlin
