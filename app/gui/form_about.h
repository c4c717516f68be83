#pragma once
// The About window: icon, title, description, author and contact lines and
// the product page link.
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace drevlin {

class TInterfaceTexts;
class TLinkLabel;

class TFormAbout : public QDialog {
 public:
  TFormAbout(QWidget* parent, const QString& title);
  void ApplyTexts(const TInterfaceTexts& texts);
  TLinkLabel* LabelSite() const { return labelSite_; }

 private:
  // Widens the window when a text would not fit its panel.
  void FitTexts();

  QFrame* panel_;
  QLabel* labelAbout_;
  QLabel* labelAuthor_;
  QLabel* labelContact_;
  TLinkLabel* labelSite_;
  QPushButton* buttonOk_;
};

}  // namespace drevlin
