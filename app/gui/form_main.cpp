#include "app/gui/form_main.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <exception>

#include "app/gui/form_about.h"
#include "app/gui/form_merge.h"
#include "app/gui/form_settings.h"
#include "app/gui/form_update.h"
#include "app/gui/program_icon.h"
#include "app/gui/window_dialogs.h"
#include "app/pdf_association.h"

namespace drevlin {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Filters without a language key.
constexpr const char* kTextOpenFilter = "Text files (*.txt)|*.txt";
constexpr const char* kImagesOpenFilter = "All Files|*.*";
constexpr const char* kImageSaveFilter =
    "Bitmap file (*.bmp)|*.bmp|JPEG file (*.jpg, *.jpeg)|*.jpg; *.jpeg|PNG file (*.png)|*.png|"
    "GIF file (*.gif)|*.gif|TIFF file (*.tiff)|*.tiff";

}  // namespace

TForm1::TForm1(const std::string& executablePath, std::unique_ptr<TWindowDialogs> dialogs)
    : dialogs_(dialogs ? std::move(dialogs) : std::make_unique<TQtWindowDialogs>(this)),
      controller_(*this),
      serverBase_(UpdateServerBase()),
      updateCheck_([this](std::function<void()> task) {
        // Safe from the worker thread; dropped if this window is gone.
        QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
      }) {
  texts_ = TInterfaceTexts(ProductPageAddress(serverBase_));
  FormCreate(executablePath);
}

TForm1::~TForm1() = default;

template <typename F>
void TForm1::Guarded(F action) {
  try {
    action();
  } catch (const std::exception& e) {
    dialogs_->Warning(title_, e.what());
  }
}

void TForm1::FormCreate(const std::string& executablePath) {
  executablePath_ = executablePath;
  controller_.FormCreate(executablePath);
  title_ = controller_.ProductName + " " + controller_.ProductVersion;
  setWindowTitle(Q(title_));
  QApplication::setApplicationDisplayName(QString());
  QApplication::setApplicationName(Q(title_));
  setWindowIcon(ProgramIcon());
  settingsPath_ = SettingsFilePath(executablePath);
  versionFile_ = WritableAppFolder(controller_.AppDir) + "version.txt";

  BuildControls();
  BuildMenu();
  // The About window's title is fixed text of its own, not built from the
  // running version.
  formAbout_ = new TFormAbout(this, QStringLiteral("Drevlin PDF Converter 1.1"), kContactLine);
  formSettings_ = new TFormSettings(this);
  formMerge_ = new TFormMerge(this);
  formUpdate_ = new TFormUpdate(this);
  formUpdate_->OnShow = [this] {
    if (!updateCheck_.CheckRunning()) StartUpdateCheck();
  };
  formUpdate_->OnCheck = [this] {
    if (updateCheck_.CheckRunning()) return;
    formUpdate_->SetMessage(texts_[TUiText::FormUpdateChecking]);
    StartUpdateCheck();
  };

  TSettings settings = ReadSettings(settingsPath_, controller_.AppDir);
  controller_.Language = settings.Language;
  controller_.SetOutputDir(settings.OutputDir);
  storedMode_ = settings.ConvertMode;
  controller_.ConvertMode = ModeSelectionOf(settings.ConvertMode);
  SelectModeButton(controller_.ConvertMode);
  editSaveDir_->setText(Q(controller_.OutputDir));
  ApplyLanguageToWindows();

  TAssociationResult association = RegisterPdfAssociation(executablePath, controller_.AppDir);
  if (!association.Ok) {
    // Told once the window is up rather than before it exists.
    QMetaObject::invokeMethod(
        this, [this, error = association.Error] { dialogs_->Warning(title_, error); }, Qt::QueuedConnection);
  }
}

void TForm1::BuildControls() {
  auto* client = new QWidget(this);
  client->setFixedSize(266, 138);
  setCentralWidget(client);

  labelSave_ = new QLabel("Save to:", client);
  labelSave_->move(8, 12);
  editSaveDir_ = new QLineEdit(client);
  editSaveDir_->setGeometry(80, 8, 145, 21);
  editSaveDir_->setReadOnly(true);
  editSaveDir_->setEnabled(false);
  buttonSelectDir_ = new QPushButton("->", client);
  buttonSelectDir_->setGeometry(232, 8, 25, 22);
  connect(buttonSelectDir_, &QPushButton::clicked, this, [this] { ButtonSelectDirClick(); });

  rgConvert_ = new QGroupBox(" Converting ", client);
  rgConvert_->setGeometry(8, 32, 129, 97);
  modeGroup_ = new QButtonGroup(this);
  for (int i = 0; i < 5; ++i) {
    modeButtons_[i] = new QRadioButton(rgConvert_);
    modeButtons_[i]->setGeometry(8, 16 + i * 15, 117, 15);
    modeGroup_->addButton(modeButtons_[i], i);
  }
  connect(modeGroup_, &QButtonGroup::idClicked, this, [this](int id) { rgConvertClick(id); });

  buttonSelect_ = new QPushButton("Select file", client);
  buttonSelect_->setGeometry(144, 40, 113, 41);
  connect(buttonSelect_, &QPushButton::clicked, this, [this] { ButtonSelectClick(); });
  buttonConvert_ = new QPushButton("Convert", client);
  buttonConvert_->setGeometry(144, 88, 113, 41);
  buttonConvert_->setEnabled(false);
  connect(buttonConvert_, &QPushButton::clicked, this, [this] { ButtonConvertClick(); });

  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
}

void TForm1::BuildMenu() {
  QMenuBar* bar = menuBar();
  mFile_ = bar->addMenu("&File");
  mExit_ = mFile_->addAction("Exit", this, &QWidget::close);
  mOptions_ = bar->addMenu("Options");
  mSettings_ = mOptions_->addAction("Settings");
  mSettings_->setVisible(false);
  mLanguage_ = mOptions_->addMenu("Language");
  mLangEnglish_ = mLanguage_->addAction("English", this, [this] { SetLanguage("English"); });
  mLangRussian_ = mLanguage_->addAction("Russian", this, [this] { SetLanguage("Russian"); });
  mLangEnglish_->setCheckable(true);
  mLangRussian_->setCheckable(true);
  mHelp_ = bar->addMenu("Help");
  mCheckUpdate_ = mHelp_->addAction("Check for updates ...", this, [this] { MCheckUpdateClick(); });
  mHelp_->addSeparator();
  mAbout_ = mHelp_->addAction("About Program", this, [this] { MAboutClick(); });

  setFixedSize(266, 138 + bar->sizeHint().height());
  if (QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TForm1::ApplyLanguageToWindows() {
  ApplyLanguage(controller_.AppDir, controller_.Language, texts_);
  mLangEnglish_->setChecked(texts_.EnglishChecked);
  mLangRussian_->setChecked(texts_.RussianChecked);
  const std::pair<QMenu*, TUiText> menus[] = {
      {mFile_, TUiText::MFile}, {mOptions_, TUiText::MOptions}, {mLanguage_, TUiText::MLanguage},
      {mHelp_, TUiText::MHelp}};
  for (auto [menu, text] : menus) menu->setTitle(Q(texts_[text]));
  const std::pair<QAction*, TUiText> actions[] = {
      {mExit_, TUiText::MExit}, {mSettings_, TUiText::MSettings}, {mLangEnglish_, TUiText::MLangEnglish},
      {mLangRussian_, TUiText::MLangRussian}, {mCheckUpdate_, TUiText::MCheckUpdate}, {mAbout_, TUiText::MAbout}};
  for (auto [action, text] : actions) action->setText(Q(texts_[text]));
  labelSave_->setText(Q(texts_[TUiText::LabelSave]));
  labelSave_->adjustSize();
  rgConvert_->setTitle(Q(texts_[TUiText::rgConvert]));
  for (int i = 0; i < 5; ++i)
    modeButtons_[i]->setText(Q(texts_[static_cast<TUiText>(static_cast<int>(TUiText::rgConvertItem0) + i)]));
  buttonSelect_->setText(Q(texts_[TUiText::ButtonSelect]));
  buttonConvert_->setText(Q(texts_[TUiText::ButtonConvert]));
  formAbout_->ApplyTexts(texts_);
  formSettings_->ApplyTexts(texts_);
  formUpdate_->ApplyTexts(texts_);
}

void TForm1::SelectModeButton(int mode) {
  if (mode >= 0 && mode < 5) {
    modeButtons_[mode]->setChecked(true);
    return;
  }
  // An exclusive group cannot be emptied directly.
  modeGroup_->setExclusive(false);
  for (QRadioButton* button : modeButtons_) button->setChecked(false);
  modeGroup_->setExclusive(true);
}

int TForm1::SelectedMode() const { return modeGroup_->checkedId(); }

void TForm1::rgConvertClick(int index) {
  modePicked_ = true;
  controller_.rgConvertClick(index);
  SelectModeButton(index);
}

void TForm1::ButtonSelectClick() {
  Guarded([this] {
    int mode = controller_.ConvertMode;
    if (mode < kModePdfToImages || mode > kModeSplitPdf) return;
    TOpenDialogRequest request;
    if (mode == kModeTextToPdf) {
      request.Filter = kTextOpenFilter;
    } else if (mode == kModeImagesToPdf) {
      request = {kImagesOpenFilter, "txt", true};
    } else {
      request.Filter = texts_[TUiText::OpenDialog1Filter];
    }
    std::vector<std::string> paths = dialogs_->OpenFiles(request);
    if (paths.empty()) return;
    controller_.SelectInput(paths);
    buttonConvert_->setEnabled(controller_.ConvertEnabled());
  });
}

void TForm1::ButtonConvertClick() {
  Guarded([this] { controller_.ConvertSelected(); });
}

void TForm1::ButtonSelectDirClick() {
  Guarded([this] {
    std::optional<std::string> folder = dialogs_->ChooseFolder(controller_.OutputDir);
    if (!folder) return;
    controller_.ButtonSelectDirClick(*folder);
    editSaveDir_->setText(Q(controller_.OutputDir));
  });
}

std::optional<TSaveChoice> TForm1::AskSave(const TSaveRequest& request) {
  TSaveDialogRequest dialog{"", "", request.InitialDir, request.InitialName};
  switch (request.Mode) {
    case kModePdfToImages:
      dialog.Filter = kImageSaveFilter;
      break;
    case kModePdfToText:
      dialog.Filter = texts_[TUiText::SaveDialogTextFilter];
      dialog.DefaultSuffix = "txt";
      break;
    default:
      dialog.Filter = texts_[TUiText::SaveDialog1Filter];
      dialog.DefaultSuffix = "pdf";
      break;
  }
  std::optional<TSaveDialogAnswer> answer = dialogs_->SaveFile(dialog);
  if (!answer) return std::nullopt;
  return TSaveChoice{answer->Path, answer->FilterIndex};
}

void TForm1::ShowMessage(const std::string& text) { dialogs_->Message(title_, text); }

void TForm1::ReportFailure(const TFailure& failure) { dialogs_->Warning(title_, DescribeFailure(failure)); }

void TForm1::SetLanguage(const std::string& name) {
  controller_.Language = name;
  ApplyLanguageToWindows();
}

void TForm1::MAboutClick() {
  ApplyLanguageToWindows();
  formAbout_->exec();
}

void TForm1::MCheckUpdateClick() {
  ApplyLanguageToWindows();
  formUpdate_->SetMessage(texts_[TUiText::FormUpdateChecking]);
  formUpdate_->exec();
}

void TForm1::StartUpdateCheck() {
  TUpdateRequest request;
  request.ServerBase = serverBase_;
  request.ProductName = controller_.ProductName;
  request.ProductVersion = controller_.ProductVersion;
  request.VersionFile = versionFile_;
  request.LastVersionText = texts_[TUiText::LastVersion];
  request.NewVersionText = texts_[TUiText::NewVersionIsAvailable];
  request.NoConnectionText = texts_[TUiText::CantConnectToServer];
  request.PreviousLink = formUpdate_->Link();
  updateCheck_.Start(std::move(request), [this](const TUpdateResult& result) { ShowUpdateResult(result); });
}

void TForm1::ShowUpdateResult(const TUpdateResult& result) {
  formUpdate_->SetMessage(result.Message);
  formUpdate_->SetLink(result.Link);
  // A newer version found after the user closed the window brings it back.
  if (result.NewerVersion && !formUpdate_->isVisible()) formUpdate_->exec();
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  controller_.FormShow();
  buttonConvert_->setEnabled(controller_.ConvertEnabled());
}

void TForm1::closeEvent(QCloseEvent* event) {
  TSettings settings{controller_.Language, controller_.OutputDir,
                     modePicked_ ? controller_.ConvertMode : storedMode_};
  if (!WriteSettings(settingsPath_, settings))
    dialogs_->Warning(title_, "The settings could not be saved to " + settingsPath_ + ".");
  controller_.FormClose();
  event->accept();
}

}  // namespace drevlin
