#include "app/gui/link_label.h"

#include <QDesktopServices>
#include <QUrl>

namespace drevlin {

TLinkLabel::TLinkLabel(QWidget* parent, bool redWhileHovered)
    : QLabel(parent), redWhileHovered_(redWhileHovered) {
  setCursor(Qt::PointingHandCursor);
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
  SetColour("blue");
}

void TLinkLabel::SetColour(const char* colour) {
  setStyleSheet(QString("color: %1;").arg(colour));
}

void TLinkLabel::enterEvent(QEnterEvent* event) {
  if (redWhileHovered_) SetColour("red");
  QLabel::enterEvent(event);
}

void TLinkLabel::leaveEvent(QEvent* event) {
  if (redWhileHovered_) SetColour("blue");
  QLabel::leaveEvent(event);
}

void TLinkLabel::mousePressEvent(QMouseEvent* event) {
  if (!text().isEmpty()) QDesktopServices::openUrl(QUrl::fromUserInput(text()));
  QLabel::mousePressEvent(event);
}

}  // namespace drevlin
