#pragma once
// A label that shows an address as a link: blue and underlined, the hand
// cursor over it, optionally red while the mouse is over it, and the
// desktop's browser opened on its text when pressed.
#include <QLabel>

namespace drevlin {

class TLinkLabel : public QLabel {
 public:
  explicit TLinkLabel(QWidget* parent, bool redWhileHovered = false);

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void SetColour(const char* colour);
  bool redWhileHovered_;
};

}  // namespace drevlin
