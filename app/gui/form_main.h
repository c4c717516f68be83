#pragma once
// The main window: menu, the mode group, Select and Convert, and the output
// folder. It only collects the user's answers and hands them to the
// conversion controller; the conversions themselves run on a worker thread
// while the window shows their progress and offers Cancel.
#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/conversion_controller.h"
#include "app/conversion_host.h"
#include "app/language.h"
#include "app/settings.h"
#include "app/gui/conversion_worker.h"
#include "app/gui/window_dialogs.h"
#include "app/update_check.h"

class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace drevlin {

class TFormAbout;
class TFormMerge;
class TFormSettings;
class TFormUpdate;

class TForm1 : public QMainWindow, private TConversionHost {
 public:
  // dialogs: null for Qt's own; tests pass a scripted stand-in.
  explicit TForm1(const std::string& executablePath, std::unique_ptr<TWindowDialogs> dialogs = nullptr);
  ~TForm1() override;

  // The window's actions, as its controls and menu items trigger them.
  void rgConvertClick(int index);
  void ButtonSelectClick();
  void ButtonConvertClick();
  void ButtonSelectDirClick();
  void SetLanguage(const std::string& name);
  void MAboutClick();
  void MCheckUpdateClick();
  void ButtonCancelClick();
  // Files from the command line or a drop, taken as if chosen with Select in
  // the mode their type suggests; false when none was taken (busy, or a file
  // of no known type, which is reported).
  bool OpenFiles(const std::vector<std::string>& paths);

  // What the progress display counts.
  enum class TProgressKind { None, Pages, Files };
  // The progress display in place of Select and Convert while a step runs.
  void SetBusy(bool busy, TProgressKind kind = TProgressKind::None);
  void ShowProgress(int done, int total);
  bool Busy() const { return busy_; }

  TConversionController& Controller() { return controller_; }
  const TInterfaceTexts& Texts() const { return texts_; }
  const std::string& SettingsPath() const { return settingsPath_; }
  int SelectedMode() const;
  QPushButton* ButtonConvert() const { return buttonConvert_; }
  QPushButton* ButtonSelect() const { return buttonSelect_; }
  QRadioButton* ModeButton(int index) const { return modeButtons_[index]; }
  QLineEdit* EditSaveDir() const { return editSaveDir_; }
  QPushButton* ButtonCancel() const { return buttonCancel_; }
  QProgressBar* ProgressBar() const { return progressBar_; }
  QLabel* LabelProgress() const { return labelProgress_; }
  QAction* LanguageAction(bool russian) const { return russian ? mLangRussian_ : mLangEnglish_; }
  TFormAbout* FormAbout() const { return formAbout_; }
  TFormUpdate* FormUpdate() const { return formUpdate_; }
  bool CheckRunning() const { return updateCheck_.CheckRunning(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // TConversionHost. All but AskSave are called on the worker thread too;
  // they carry their news over to the window's thread.
  std::optional<TSaveChoice> AskSave(const TSaveRequest& request) override;
  void ShowMessage(const std::string& text) override;
  void ReportFailure(const TFailure& failure) override;
  void ReportProgress(int done, int total) override;
  bool CancelRequested() override { return worker_.CancelRequested(); }

  void FormCreate(const std::string& executablePath);
  void BuildControls();
  void BuildMenu();
  void ApplyLanguageToWindows();
  void SelectModeButton(int mode);
  void SelectFiles(const std::vector<std::string>& paths);
  void RunStep(TProgressKind kind, TConversionWorker::TStep step,
               std::function<void(const TStepOutcome&)> after = nullptr);
  void OnUiThread(std::function<void()> task);
  // Shows what the last step reported: its messages, then its failures and
  // errors in one box. Only once no step runs.
  void ShowPending();
  std::string FailureMessage(const std::vector<TFailure>& failures) const;
  std::string FailureLine(const TFailure& failure) const;
  // A text of the language with %1 (and %2) filled in.
  std::string Format(TUiText text, const std::string& first, const std::string& second = {}) const;
  void StartUpdateCheck();
  void ShowUpdateResult(const TUpdateResult& result);
  // Runs one action; an error escaping it is shown, and the window goes on.
  template <typename F>
  void Guarded(F action);

  std::unique_ptr<TWindowDialogs> dialogs_;
  TConversionController controller_;
  TInterfaceTexts texts_;
  std::string title_;
  std::string executablePath_;
  std::string settingsPath_;
  std::string versionFile_;
  std::string serverBase_;
  int storedMode_ = 0;       // "convert" as read, written back until a mode is picked
  bool modePicked_ = false;
  bool shown_ = false;
  bool closed_ = false;  // messages that arrive after closing are dropped
  bool busy_ = false;
  TProgressKind progressKind_ = TProgressKind::None;
  int progressDone_ = 0;
  int progressTotal_ = 0;
  std::vector<TFailure> pendingFailures_;
  std::vector<std::string> pendingMessages_;
  std::vector<std::string> pendingErrors_;  // errors that escaped a step

  QMenu* mFile_ = nullptr;
  QMenu* mOptions_ = nullptr;
  QMenu* mLanguage_ = nullptr;
  QMenu* mHelp_ = nullptr;
  QAction* mExit_ = nullptr;
  QAction* mSettings_ = nullptr;
  QAction* mLangEnglish_ = nullptr;
  QAction* mLangRussian_ = nullptr;
  QAction* mCheckUpdate_ = nullptr;
  QAction* mAbout_ = nullptr;
  QLabel* labelSave_ = nullptr;
  QLineEdit* editSaveDir_ = nullptr;
  QPushButton* buttonSelectDir_ = nullptr;
  QGroupBox* rgConvert_ = nullptr;
  QButtonGroup* modeGroup_ = nullptr;
  QRadioButton* modeButtons_[5] = {};
  QPushButton* buttonSelect_ = nullptr;
  QPushButton* buttonConvert_ = nullptr;
  QLabel* labelProgress_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QPushButton* buttonCancel_ = nullptr;
  TFormAbout* formAbout_ = nullptr;
  TFormSettings* formSettings_ = nullptr;
  TFormMerge* formMerge_ = nullptr;
  TFormUpdate* formUpdate_ = nullptr;

  // Destroyed before everything else but the update check, so that a step
  // still running is cancelled and joined while the controller it works on
  // exists.
  TConversionWorker worker_;
  // Last: destroyed first, so a running check is cancelled and joined while
  // every window it could report to still exists.
  TUpdateCheck updateCheck_;
};

}  // namespace drevlin
