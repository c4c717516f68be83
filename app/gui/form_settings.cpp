#include "app/gui/form_settings.h"

#include <QPushButton>

#include "app/language.h"

namespace drevlin {

TFormSettings::TFormSettings(QWidget* parent) : QDialog(parent) {
  setObjectName("FormSettings");
  setFixedSize(474, 251);
  setWindowTitle("Settings");
  buttonClose_ = new QPushButton("Close", this);
  buttonClose_->setGeometry(184, 216, 75, 25);
  connect(buttonClose_, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormSettings::ApplyTexts(const TInterfaceTexts& texts) {
  setWindowTitle(QString::fromStdString(texts[TUiText::FormSettingsCaption]));
  buttonClose_->setText(QString::fromStdString(texts[TUiText::FormSettingsButtonClose]));
}

}  // namespace drevlin
