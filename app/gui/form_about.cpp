#include "app/gui/form_about.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "app/gui/link_label.h"
#include "app/gui/program_icon.h"
#include "app/language.h"

namespace drevlin {

namespace {

QLabel* ColouredLabel(QWidget* parent, int x, int y, const char* colour, bool bold) {
  auto* label = new QLabel(parent);
  label->move(x, y);
  label->setStyleSheet(QString("color: %1;%2").arg(colour, bold ? " font-weight: bold;" : ""));
  return label;
}

}  // namespace

TFormAbout::TFormAbout(QWidget* parent, const QString& title, const QString& contact) : QDialog(parent) {
  setObjectName("FormAbout");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                 Qt::WindowMinimizeButtonHint);
  setFixedSize(296, 161);

  auto* panel = new QFrame(this);
  panel->setGeometry(8, 8, 281, 145);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);

  auto* icon = new QLabel(panel);
  icon->setGeometry(8, 8, 32, 32);
  icon->setScaledContents(true);
  icon->setPixmap(ProgramIconPixmap(64));

  ColouredLabel(panel, 48, 8, "navy", true)->setText(title);
  labelAbout_ = ColouredLabel(panel, 48, 24, "maroon", false);
  labelAuthor_ = ColouredLabel(panel, 8, 48, "navy", true);
  ColouredLabel(panel, 8, 64, "teal", true)->setText(contact);
  labelSite_ = new TLinkLabel(panel);
  labelSite_->move(8, 80);

  auto* ok = new QPushButton("OK", panel);
  ok->setGeometry(103, 108, 74, 25);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  for (QLabel* label : panel->findChildren<QLabel*>()) {
    if (label != icon) label->adjustSize();
  }
}

void TFormAbout::ApplyTexts(const TInterfaceTexts& texts) {
  setWindowTitle(QString::fromStdString(texts[TUiText::FormAboutCaption]));
  labelAbout_->setText(QString::fromStdString(texts[TUiText::FormAboutLabelAbout]));
  labelAuthor_->setText(QString::fromStdString(texts[TUiText::FormAboutLabelAuthor]));
  labelSite_->setText(QString::fromStdString(texts[TUiText::FormAboutLabelSite]));
  for (QLabel* label : {labelAbout_, labelAuthor_, static_cast<QLabel*>(labelSite_)}) label->adjustSize();
}

}  // namespace drevlin
