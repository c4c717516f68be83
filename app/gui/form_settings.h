#pragma once
// The Settings window: only a Close button. Its menu item is hidden, so it is
// kept for the language files that name it rather than for use.
#include <QDialog>

class QPushButton;

namespace drevlin {

class TInterfaceTexts;

class TFormSettings : public QDialog {
 public:
  explicit TFormSettings(QWidget* parent);
  void ApplyTexts(const TInterfaceTexts& texts);

 private:
  QPushButton* buttonClose_;
};

}  // namespace drevlin
