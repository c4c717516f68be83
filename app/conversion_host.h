#pragma once
// What a conversion tells whoever runs it (failures, messages, progress) and
// asks of it (whether to stop), and what the window's controller further asks
// of its window: the save dialogs.
#include <optional>
#include <string>

namespace drevlin {

// Why a step failed or left an input out; hosts word each kind their own way.
enum class TFailureKind {
  NoSuchFile,
  Unreadable,
  NotPdf,
  NeedsPassword,
  WrongPassword,
  NotAnImage,
  OutputIsInput,
  CannotWrite,
  CannotRender,
  CannotTypeset,
  DamagedPageTree,
  TooMuchData,
  NothingLoaded,
};

inline constexpr int kFailureKindCount = static_cast<int>(TFailureKind::NothingLoaded) + 1;

// The reason of a kind in English: "not a PDF file".
const char* FailureReason(TFailureKind kind);

struct TFailure {
  TFailureKind Kind;
  std::string File;    // the file concerned; empty when none is
  std::string Detail;  // the library's own words or error code, when it gave some
};

// "FILE: reason" in English.
std::string DescribeFailure(const TFailure& failure);

// The one plain message a conversion shows; hosts may word it their own way.
inline constexpr const char* kNoTextFound = "No text found!";

class TConversionEvents {
 public:
  virtual ~TConversionEvents() = default;
  // A plain message box ("No text found!").
  virtual void ShowMessage(const std::string& text) = 0;
  // A conversion step failed or skipped an input.
  virtual void ReportFailure(const TFailure& failure) = 0;
  // Work in progress: item done of total.
  virtual void ReportProgress(int done, int total) {}
  // Polled between pages and files: true stops the conversion after the
  // current one, keeping what is finished.
  virtual bool CancelRequested() { return false; }
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
