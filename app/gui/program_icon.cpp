#include "app/gui/program_icon.h"

#include <QFont>
#include <QPainter>
#include <QPolygonF>

namespace drevlin {

QPixmap ProgramIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  // A sheet of paper with a folded corner and a red band carrying "PDF".
  QPolygonF sheet({{5, 1}, {21, 1}, {28, 8}, {28, 31}, {5, 31}});
  p.setPen(QPen(QColor(90, 90, 90), 1));
  p.setBrush(Qt::white);
  p.drawPolygon(sheet);
  p.drawLine(QPointF(21, 1), QPointF(21, 8));
  p.drawLine(QPointF(21, 8), QPointF(28, 8));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 30, 30));
  p.drawRect(QRectF(2, 14, 24, 11));
  p.setPen(Qt::white);
  QFont font("Sans Serif");
  font.setPixelSize(9);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRectF(2, 14, 24, 11), Qt::AlignCenter, "PDF");
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) icon.addPixmap(ProgramIconPixmap(size));
  return icon;
}

}  // namespace drevlin
