#pragma once
// The main window: menu, the mode group, Select and Convert, and the output
// folder. It only collects the user's answers and hands them to the
// conversion controller; the conversions themselves live there.
#include <QMainWindow>

#include <memory>
#include <string>

#include "app/conversion_controller.h"
#include "app/conversion_host.h"
#include "app/language.h"
#include "app/settings.h"
#include "app/gui/window_dialogs.h"
#include "app/update_check.h"

class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
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

  TConversionController& Controller() { return controller_; }
  const TInterfaceTexts& Texts() const { return texts_; }
  const std::string& SettingsPath() const { return settingsPath_; }
  int SelectedMode() const;
  QPushButton* ButtonConvert() const { return buttonConvert_; }
  QPushButton* ButtonSelect() const { return buttonSelect_; }
  QRadioButton* ModeButton(int index) const { return modeButtons_[index]; }
  QLineEdit* EditSaveDir() const { return editSaveDir_; }
  QAction* LanguageAction(bool russian) const { return russian ? mLangRussian_ : mLangEnglish_; }
  TFormAbout* FormAbout() const { return formAbout_; }
  TFormUpdate* FormUpdate() const { return formUpdate_; }
  bool CheckRunning() const { return updateCheck_.CheckRunning(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // TConversionHost
  std::optional<TSaveChoice> AskSave(const TSaveRequest& request) override;
  void ShowMessage(const std::string& text) override;
  void ReportFailure(const TFailure& failure) override;

  void FormCreate(const std::string& executablePath);
  void BuildControls();
  void BuildMenu();
  void ApplyLanguageToWindows();
  void SelectModeButton(int mode);
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
  TFormAbout* formAbout_ = nullptr;
  TFormSettings* formSettings_ = nullptr;
  TFormMerge* formMerge_ = nullptr;
  TFormUpdate* formUpdate_ = nullptr;

  // Last: destroyed first, so a running check is cancelled and joined while
  // every window it could report to still exists.
  TUpdateCheck updateCheck_;
};

}  // namespace drevlin
