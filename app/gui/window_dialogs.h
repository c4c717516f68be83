#pragma once
// Everything modal the main window asks of the user: file and folder dialogs
// and message boxes. One implementation shows Qt's dialogs; tests put a
// scripted stand-in in its place.
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace drevlin {

struct TOpenDialogRequest {
  std::string Filter;         // "description|patterns|..." form
  std::string DefaultSuffix;  // added to a name typed without one
  bool Multiple = false;
};

struct TSaveDialogRequest {
  std::string Filter;
  std::string DefaultSuffix;
  std::string InitialDir;
  std::string InitialName;
};

struct TSaveDialogAnswer {
  std::string Path;
  int FilterIndex = 1;  // 1-based, as the filter lists the types
};

class TWindowDialogs {
 public:
  virtual ~TWindowDialogs() = default;
  // The chosen files in the dialog's order; empty when cancelled.
  virtual std::vector<std::string> OpenFiles(const TOpenDialogRequest& request) = 0;
  virtual std::optional<TSaveDialogAnswer> SaveFile(const TSaveDialogRequest& request) = 0;
  virtual std::optional<std::string> ChooseFolder(const std::string& start) = 0;
  // A plain message with an OK button.
  virtual void Message(const std::string& caption, const std::string& text) = 0;
  virtual void Warning(const std::string& caption, const std::string& text) = 0;
};

class TQtWindowDialogs : public TWindowDialogs {
 public:
  explicit TQtWindowDialogs(QWidget* parent) : parent_(parent) {}
  std::vector<std::string> OpenFiles(const TOpenDialogRequest& request) override;
  std::optional<TSaveDialogAnswer> SaveFile(const TSaveDialogRequest& request) override;
  std::optional<std::string> ChooseFolder(const std::string& start) override;
  void Message(const std::string& caption, const std::string& text) override;
  void Warning(const std::string& caption, const std::string& text) override;

 private:
  QWidget* parent_;
};

}  // namespace drevlin
