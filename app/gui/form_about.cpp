#include "app/gui/form_about.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

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

TFormAbout::TFormAbout(QWidget* parent, const QString& title) : QDialog(parent) {
  setObjectName("FormAbout");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                 Qt::WindowMinimizeButtonHint);
  setFixedSize(296, 161);

  panel_ = new QFrame(this);
  QFrame* panel = panel_;
  panel->setGeometry(8, 8, 281, 145);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);

  auto* icon = new QLabel(panel);
  icon->setGeometry(8, 8, 32, 32);
  icon->setScaledContents(true);
  icon->setPixmap(ProgramIconPixmap(64));

  ColouredLabel(panel, 48, 8, "navy", true)->setText(title);
  labelAbout_ = ColouredLabel(panel, 48, 24, "maroon", false);
  labelAuthor_ = ColouredLabel(panel, 8, 48, "navy", true);
  labelContact_ = ColouredLabel(panel, 8, 64, "teal", true);
  labelSite_ = new TLinkLabel(panel);
  labelSite_->move(8, 80);

  buttonOk_ = new QPushButton("OK", panel);
  buttonOk_->setGeometry(103, 108, 74, 25);
  buttonOk_->setDefault(true);
  connect(buttonOk_, &QPushButton::clicked, this, &QDialog::accept);
  for (QLabel* label : panel->findChildren<QLabel*>()) {
    if (label != icon) label->adjustSize();
  }
}

void TFormAbout::ApplyTexts(const TInterfaceTexts& texts) {
  setWindowTitle(QString::fromStdString(texts[TUiText::FormAboutCaption]));
  labelAbout_->setText(QString::fromStdString(texts[TUiText::FormAboutLabelAbout]));
  labelAuthor_->setText(QString::fromStdString(texts[TUiText::FormAboutLabelAuthor]));
  labelSite_->setText(QString::fromStdString(texts[TUiText::FormAboutLabelSite]));
  labelContact_->setText(QString::fromStdString(texts[TUiText::FormAboutLabelContact]));
  buttonOk_->setText(QString::fromStdString(texts[TUiText::FormAboutButtonOk]));
  for (QLabel* label : {labelAbout_, labelAuthor_, labelContact_, static_cast<QLabel*>(labelSite_)})
    label->adjustSize();
  FitTexts();
}

// The window keeps its size unless a text (the product page address, mostly)
// would be cut off; then it grows just enough, the OK button staying centred.
void TFormAbout::FitTexts() {
  constexpr int kPanelWidth = 281;
  constexpr int kMargin = 8;
  int needed = kPanelWidth;
  for (QLabel* label : panel_->findChildren<QLabel*>())
    needed = std::max(needed, label->geometry().right() + 1 + kMargin);
  panel_->resize(needed, panel_->height());
  buttonOk_->move((needed - buttonOk_->width()) / 2, buttonOk_->y());
  setFixedSize(needed + 2 * kMargin - 1, 161);
}

}  // namespace drevlin
