#include "app/gui/form_main.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <exception>

#include "app/gui/form_about.h"
#include "app/gui/form_merge.h"
#include "app/gui/form_settings.h"
#include "app/gui/form_update.h"
#include "app/gui/opened_files.h"
#include "app/gui/program_icon.h"
#include "app/gui/qt_translation.h"
#include "app/gui/window_dialogs.h"
#include "app/pdf_association.h"

namespace drevlin {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A message box lists this many failures at most; the rest are counted.
constexpr size_t kFailuresListed = 20;

// The local files among dropped data, in their order.
std::vector<std::string> LocalFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  return paths;
}

}  // namespace

TForm1::TForm1(const std::string& executablePath, std::unique_ptr<TWindowDialogs> dialogs)
    : dialogs_(dialogs ? std::move(dialogs) : std::make_unique<TQtWindowDialogs>(this)),
      controller_(*this),
      serverBase_(UpdateServerBase()),
      worker_([this](std::function<void()> task) {
        QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
      }),
      updateCheck_([this](std::function<void()> task) {
        // Safe from the worker thread; dropped if this window is gone.
        QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
      }) {
  texts_ = TInterfaceTexts(ProductPageAddress(serverBase_));
  FormCreate(executablePath);
}

TForm1::~TForm1() {
  // Before any member goes: the step works on the controller.
  worker_.Cancel();
  worker_.Wait();
}

template <typename F>
void TForm1::Guarded(F action) {
  try {
    action();
  } catch (const std::exception& e) {
    dialogs_->Warning(title_, Format(TUiText::ActionFailed, e.what()));
  }
}

std::string TForm1::Format(TUiText text, const std::string& first, const std::string& second) const {
  QString format = Q(texts_[text]);
  QString filled = format.contains("%2") ? format.arg(Q(first), Q(second)) : format.arg(Q(first));
  return filled.toStdString();
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
  formAbout_ = new TFormAbout(this, QStringLiteral("Drevlin PDF Converter 1.1"));
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
    auto warn = [this, file = association.File] {
      dialogs_->Warning(title_, Format(TUiText::AssociationNotWritten, file));
    };
    QMetaObject::invokeMethod(this, warn, Qt::QueuedConnection);
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

  // While a step runs, its progress and Cancel take the place of Select and
  // Convert.
  labelProgress_ = new QLabel(client);
  labelProgress_->setGeometry(144, 40, 113, 16);
  progressBar_ = new QProgressBar(client);
  progressBar_->setGeometry(144, 58, 113, 22);
  progressBar_->setTextVisible(false);
  buttonCancel_ = new QPushButton("Cancel", client);
  buttonCancel_->setGeometry(144, 88, 113, 41);
  connect(buttonCancel_, &QPushButton::clicked, this, [this] { ButtonCancelClick(); });
  for (QWidget* widget : {static_cast<QWidget*>(labelProgress_), static_cast<QWidget*>(progressBar_),
                          static_cast<QWidget*>(buttonCancel_)})
    widget->hide();
  setAcceptDrops(true);

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
  UseQtTranslation(controller_.Language);
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
  buttonCancel_->setText(Q(texts_[TUiText::ButtonCancel]));
  ShowProgress(progressDone_, progressTotal_);
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
    if (busy_ || mode < kModePdfToImages || mode > kModeSplitPdf) return;
    TOpenDialogRequest request;
    if (mode == kModeTextToPdf) {
      request.Filter = texts_[TUiText::OpenDialogTextFilter];
    } else if (mode == kModeImagesToPdf) {
      request = {texts_[TUiText::OpenDialogImagesFilter], "txt", true};
    } else {
      request.Filter = texts_[TUiText::OpenDialog1Filter];
    }
    std::vector<std::string> paths = dialogs_->OpenFiles(request);
    if (paths.empty()) return;
    SelectFiles(paths);
  });
}

// Reading the inputs can take long (many images): it runs as a step.
void TForm1::SelectFiles(const std::vector<std::string>& paths) {
  std::optional<TConversionRequest> request = controller_.SelectRequest(paths);
  if (!request) return;
  TProgressKind kind = request->Mode == kModeImagesToPdf ? TProgressKind::Files : TProgressKind::None;
  RunStep(
      kind, [this, request = *request] { return controller_.Converter().Load(request); },
      [this](const TStepOutcome& outcome) { controller_.FinishSelect(!outcome.Cancelled); });
}

void TForm1::ButtonConvertClick() {
  Guarded([this] {
    if (busy_) return;
    std::optional<TConversionRequest> request = controller_.ConvertRequest();
    if (!request) return;
    bool pageWise = request->Mode == kModePdfToImages || request->Mode == kModePdfToText ||
                    request->Mode == kModeSplitPdf;
    RunStep(pageWise ? TProgressKind::Pages : TProgressKind::None,
            [this, request = *request] { return controller_.Converter().Write(request); });
  });
}

void TForm1::ButtonCancelClick() {
  worker_.Cancel();
  // Stopping waits for the current page; the button says it was heard.
  buttonCancel_->setEnabled(false);
}

bool TForm1::OpenFiles(const std::vector<std::string>& paths) {
  if (paths.empty() || busy_) return false;
  TOpenPlan plan = PlanOpenedFiles(paths, controller_.ConvertMode);
  if (plan.Mode == kModeNone) {
    dialogs_->Warning(title_, Format(TUiText::UnknownFileType, plan.Inputs.front()));
    return false;
  }
  if (plan.Mode != controller_.ConvertMode) rgConvertClick(plan.Mode);
  SelectFiles(plan.Inputs);
  return true;
}

void TForm1::RunStep(TProgressKind kind, TConversionWorker::TStep step,
                     std::function<void(const TStepOutcome&)> after) {
  SetBusy(true, kind);
  worker_.Start(std::move(step), [this, after = std::move(after)](const TStepOutcome& outcome) {
    if (after) after(outcome);
    if (!outcome.Error.empty()) pendingErrors_.push_back(Format(TUiText::ActionFailed, outcome.Error));
    SetBusy(false);
    ShowPending();
  });
}

void TForm1::SetBusy(bool busy, TProgressKind kind) {
  busy_ = busy;
  progressKind_ = kind;
  progressDone_ = progressTotal_ = 0;
  ShowProgress(0, 0);
  buttonSelect_->setVisible(!busy);
  buttonConvert_->setVisible(!busy);
  buttonConvert_->setEnabled(!busy && controller_.ConvertEnabled());
  for (QWidget* widget : {static_cast<QWidget*>(labelProgress_), static_cast<QWidget*>(progressBar_),
                          static_cast<QWidget*>(buttonCancel_)})
    widget->setVisible(busy);
  buttonCancel_->setEnabled(busy);
  // The step was built from these; they wait until it ends.
  rgConvert_->setEnabled(!busy);
  buttonSelectDir_->setEnabled(!busy);
}

void TForm1::ShowProgress(int done, int total) {
  progressDone_ = done;
  progressTotal_ = total;
  if (total <= 0 || progressKind_ == TProgressKind::None) {
    // Nothing to count yet: a moving bar.
    progressBar_->setRange(0, 0);
    labelProgress_->setText(Q(texts_[TUiText::Working]));
    return;
  }
  // The page or file being worked on, or the last once all are done. The
  // label first: whoever watches the bar sees both agree.
  int current = std::min(done + 1, total);
  TUiText text = progressKind_ == TProgressKind::Files ? TUiText::FileOfFiles : TUiText::PageOfPages;
  labelProgress_->setText(Q(Format(text, std::to_string(current), std::to_string(total))));
  progressBar_->setRange(0, total);
  progressBar_->setValue(std::clamp(done, 0, total));
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
      dialog.Filter = texts_[TUiText::SaveDialogImageFilter];
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

void TForm1::OnUiThread(std::function<void()> task) {
  if (QThread::currentThread() == thread()) {
    task();
    return;
  }
  // Queued calls run in the order they were made, and before the step's end.
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void TForm1::ShowMessage(const std::string& text) {
  OnUiThread([this, text] {
    pendingMessages_.push_back(text == kNoTextFound ? texts_[TUiText::NoTextFound] : text);
    if (!busy_) ShowPending();
  });
}

void TForm1::ReportFailure(const TFailure& failure) {
  OnUiThread([this, failure] {
    pendingFailures_.push_back(failure);
    if (!busy_) ShowPending();
  });
}

void TForm1::ReportProgress(int done, int total) {
  OnUiThread([this, done, total] {
    if (busy_) ShowProgress(done, total);
  });
}

void TForm1::ShowPending() {
  // Taken first: a message box runs the event loop, which may bring more.
  std::vector<std::string> messages = std::move(pendingMessages_);
  std::vector<TFailure> failures = std::move(pendingFailures_);
  std::vector<std::string> errors = std::move(pendingErrors_);
  pendingMessages_.clear();
  pendingFailures_.clear();
  pendingErrors_.clear();
  if (closed_) return;
  for (const std::string& message : messages) dialogs_->Message(title_, message);
  std::string warning = failures.empty() ? "" : FailureMessage(failures);
  for (const std::string& error : errors) warning += (warning.empty() ? "" : "\n") + error;
  if (!warning.empty()) dialogs_->Warning(title_, warning);
}

std::string TForm1::FailureLine(const TFailure& failure) const {
  int kind = static_cast<int>(failure.Kind);
  // A kind newer than the language table keeps its English reason.
  std::string reason = kind < kFailureKindCount ? texts_[FailureText(failure.Kind)] : FailureReason(failure.Kind);
  std::string line = failure.File.empty() ? reason : failure.File + ": " + reason;
  if (!failure.Detail.empty()) line += " (" + failure.Detail + ")";
  return line;
}

// One failure is one line. Several images left out get a heading; any list
// is cut short so that the box fits on the screen.
std::string TForm1::FailureMessage(const std::vector<TFailure>& failures) const {
  std::string text;
  bool imagesLeftOut = failures.size() > 1 && std::all_of(failures.begin(), failures.end(), [](const TFailure& f) {
                         return f.Kind == TFailureKind::NotAnImage || f.Kind == TFailureKind::NoSuchFile;
                       });
  if (imagesLeftOut) text = texts_[TUiText::ImagesLeftOut] + "\n";
  for (size_t i = 0; i < failures.size() && i < kFailuresListed; ++i) {
    if (i > 0) text += "\n";
    text += FailureLine(failures[i]);
  }
  if (failures.size() > kFailuresListed)
    text += "\n" + Format(TUiText::AndMore, std::to_string(failures.size() - kFailuresListed));
  return text;
}

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
  closed_ = false;
  if (shown_) return;
  shown_ = true;
  controller_.FormShow();
  buttonConvert_->setEnabled(controller_.ConvertEnabled());
}

void TForm1::closeEvent(QCloseEvent* event) {
  // A running step stops after its current page; what it finished stays.
  worker_.Cancel();
  worker_.Wait();
  closed_ = true;
  TSettings settings{controller_.Language, controller_.OutputDir,
                     modePicked_ ? controller_.ConvertMode : storedMode_};
  if (!WriteSettings(settingsPath_, settings))
    dialogs_->Warning(title_, Format(TUiText::SettingsNotSaved, settingsPath_));
  controller_.FormClose();
  event->accept();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (!busy_ && !LocalFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths = LocalFiles(event->mimeData());
  if (busy_ || paths.empty()) return;
  event->acceptProposedAction();
  // Taken after the drop has ended, so that the application the files came
  // from is not kept waiting by a message box.
  QMetaObject::invokeMethod(this, [this, paths] { OpenFiles(paths); }, Qt::QueuedConnection);
}

}  // namespace drevlin
