#include "ui/qt/icons.h"

#include <QPainter>
#include <QPixmap>

namespace tarvik::ui::qt {
namespace {

// A small cash register: body, display and keys.
QPixmap Register(int size, const QColor& display) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const double u = size / 16.0;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 64, 72));
  p.drawRoundedRect(QRectF(1 * u, 6 * u, 14 * u, 9 * u), u, u);
  p.setBrush(QColor(90, 96, 108));
  p.drawRect(QRectF(3 * u, 2 * u, 7 * u, 4 * u));
  p.setBrush(display);
  p.drawRect(QRectF(4 * u, 3 * u, 5 * u, 2 * u));
  p.setBrush(QColor(220, 220, 220));
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 4; ++col) {
      p.drawRect(QRectF((3 + 2.5 * col) * u, (8 + 3 * row) * u, 1.5 * u, 1.5 * u));
    }
  }
  return pixmap;
}

}  // namespace

QPixmap ProgramIconPixmap(int size) {
  return Register(size, QColor(80, 200, 120));
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) icon.addPixmap(ProgramIconPixmap(size));
  return icon;
}

QIcon ActivityIcon(bool first) {
  QIcon icon;
  QColor display = first ? QColor(80, 200, 120) : QColor(240, 180, 40);
  for (int size : {16, 32}) icon.addPixmap(Register(size, display));
  return icon;
}

}  // namespace tarvik::ui::qt
