#include "app/gui/form_update.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

#include "app/gui/link_label.h"
#include "app/language.h"

namespace drevlin {

TFormUpdate::TFormUpdate(QWidget* parent) : QDialog(parent) {
  setObjectName("FormUpdate");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
  setFixedSize(329, 82);
  setWindowTitle("Software Update");

  QFont font("Sans Serif");
  font.setPixelSize(13);
  labelText_ = new QLabel("xxx", this);
  labelText_->move(8, 8);
  labelText_->setFont(font);
  labelLink_ = new TLinkLabel(this, true);
  labelLink_->move(8, 24);
  font.setUnderline(true);
  labelLink_->setFont(font);
  labelLink_->setText("xxx");

  buttonCheck_ = new QPushButton("Check", this);
  buttonCheck_->setGeometry(88, 48, 75, 25);
  buttonClose_ = new QPushButton("Close", this);
  buttonClose_->setGeometry(168, 48, 75, 25);
  connect(buttonCheck_, &QPushButton::clicked, this, [this] {
    if (OnCheck) OnCheck();
  });
  connect(buttonClose_, &QPushButton::clicked, this, &QDialog::reject);
  CentreLabels();
}

void TFormUpdate::ApplyTexts(const TInterfaceTexts& texts) {
  setWindowTitle(QString::fromStdString(texts[TUiText::FormUpdateCaption]));
  buttonClose_->setText(QString::fromStdString(texts[TUiText::FormUpdateButtonClose]));
  buttonCheck_->setText(QString::fromStdString(texts[TUiText::FormUpdateButtonCheck]));
}

void TFormUpdate::SetMessage(const std::string& text) {
  labelText_->setText(QString::fromStdString(text));
  CentreLabels();
  labelText_->repaint();
}

void TFormUpdate::SetLink(const std::string& text) {
  labelLink_->setText(QString::fromStdString(text));
  CentreLabels();
}

std::string TFormUpdate::Message() const { return labelText_->text().toStdString(); }
std::string TFormUpdate::Link() const { return labelLink_->text().toStdString(); }

// The labels are centred; a text wider than the window (the product page
// address, in a 13-pixel font) widens it rather than being cut off at both
// ends, and the buttons stay centred below.
void TFormUpdate::CentreLabels() {
  constexpr int kWidth = 329;
  constexpr int kMargin = 8;
  int needed = kWidth;
  for (QLabel* label : {labelText_, static_cast<QLabel*>(labelLink_)}) {
    label->adjustSize();
    needed = std::max(needed, label->width() + 2 * kMargin);
  }
  if (needed != width()) {
    setFixedSize(needed, 82);
    int shift = (needed - kWidth) / 2;
    buttonCheck_->move(88 + shift, 48);
    buttonClose_->move(168 + shift, 48);
  }
  for (QLabel* label : {labelText_, static_cast<QLabel*>(labelLink_)})
    label->move((width() - label->width()) / 2, label->y());
}

void TFormUpdate::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  SetLink("");
  labelText_->repaint();
  if (OnShow) OnShow();
}

}  // namespace drevlin
