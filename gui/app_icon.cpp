#include "gui/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QTransform>

namespace projconv {

QPixmap PaintAppIcon(int side) {
  QPixmap pixmap(side, side);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(side / 64.0, side / 64.0);  // drawn on a 64-unit square

  QPainterPath tile;
  tile.addRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
  painter.fillPath(tile, QColor(0x1f, 0x3a, 0x5f));

  // Three frames of the sequence, the front one brightest.
  const QColor frames[] = {QColor(0x5b, 0x7d, 0xa6), QColor(0x8f, 0xb0, 0xd4),
                           QColor(0xe8, 0xef, 0xf7)};
  for (int k = 0; k < 3; ++k) {
    const QRectF frame(10 + 6 * k, 22 - 6 * k, 30, 30);
    painter.setPen(QPen(QColor(0x1f, 0x3a, 0x5f), 1.5));
    painter.setBrush(frames[k]);
    painter.drawRect(frame);
  }

  // The crop window, turned, on the front frame.
  painter.translate(37, 25);
  painter.rotate(-15);
  painter.setPen(QPen(QColor(0xe0, 0x6c, 0x1b), 3));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(-9, -9, 18, 18));
  return pixmap;
}

QIcon AppIcon() {
  QIcon icon;
  for (const int side : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(PaintAppIcon(side));
  return icon;
}

}  // namespace projconv
