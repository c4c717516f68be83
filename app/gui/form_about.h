#pragma once
// The About window: icon, title, description, author and contact lines and
// the product page link.
#include <QDialog>

class QLabel;

namespace drevlin {

class TInterfaceTexts;
class TLinkLabel;

class TFormAbout : public QDialog {
 public:
  TFormAbout(QWidget* parent, const QString& title, const QString& contact);
  void ApplyTexts(const TInterfaceTexts& texts);

 private:
  QLabel* labelAbout_;
  QLabel* labelAuthor_;
  TLinkLabel* labelSite_;
};

}  // namespace drevlin
