#pragma once
// The Software Update window: a message, a link to the product page, and
// Check and Close buttons. The check itself belongs to the main window; this
// window reports its showing and the Check button through callbacks.
#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace drevlin {

class TInterfaceTexts;
class TLinkLabel;

class TFormUpdate : public QDialog {
 public:
  explicit TFormUpdate(QWidget* parent);
  void ApplyTexts(const TInterfaceTexts& texts);

  void SetMessage(const std::string& text);
  void SetLink(const std::string& text);
  std::string Message() const;
  std::string Link() const;

  std::function<void()> OnShow;   // every showing: start a check unless one runs
  std::function<void()> OnCheck;  // the Check button

  QPushButton* ButtonCheck() const { return buttonCheck_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CentreLabels();

  QLabel* labelText_;
  TLinkLabel* labelLink_;
  QPushButton* buttonCheck_;
  QPushButton* buttonClose_;
};

}  // namespace drevlin
