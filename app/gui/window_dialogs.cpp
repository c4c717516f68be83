#include "app/gui/window_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "app/dialog_filters.h"

namespace drevlin {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

std::vector<std::string> TQtWindowDialogs::OpenFiles(const TOpenDialogRequest& request) {
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.Multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  dialog.setNameFilter(Q(DialogFilterOf(request.Filter)));
  if (!request.DefaultSuffix.empty()) dialog.setDefaultSuffix(Q(request.DefaultSuffix));
  std::vector<std::string> paths;
  if (dialog.exec() != QDialog::Accepted) return paths;
  for (const QString& file : dialog.selectedFiles()) paths.push_back(file.toStdString());
  return paths;
}

std::optional<TSaveDialogAnswer> TQtWindowDialogs::SaveFile(const TSaveDialogRequest& request) {
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  QString filters = Q(DialogFilterOf(request.Filter));
  dialog.setNameFilter(filters);
  dialog.setDefaultSuffix(Q(request.DefaultSuffix));
  if (QFileInfo(Q(request.InitialDir)).isDir()) dialog.setDirectory(Q(request.InitialDir));
  dialog.selectFile(Q(request.InitialName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  TSaveDialogAnswer answer;
  answer.Path = dialog.selectedFiles().first().toStdString();
  answer.FilterIndex = static_cast<int>(filters.split(";;").indexOf(dialog.selectedNameFilter())) + 1;
  if (answer.FilterIndex < 1) answer.FilterIndex = 1;
  return answer;
}

std::optional<std::string> TQtWindowDialogs::ChooseFolder(const std::string& start) {
  QString dir = QFileInfo(Q(start)).isDir() ? Q(start) : QString();
  QString chosen = QFileDialog::getExistingDirectory(parent_, QString(), dir, QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdString();
}

void TQtWindowDialogs::Message(const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, Q(caption), Q(text), QMessageBox::Ok, parent_);
  box.exec();
}

void TQtWindowDialogs::Warning(const std::string& caption, const std::string& text) {
  QMessageBox::warning(parent_, Q(caption), Q(text), QMessageBox::Ok);
}

}  // namespace drevlin
