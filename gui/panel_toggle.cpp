#include "gui/panel_toggle.h"

#include <QMouseEvent>
#include <QPainter>

namespace projconv {

PanelToggle::PanelToggle(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::PointingHandCursor);
  setToolTip(QStringLiteral("Show or hide the preview of the first input and its output (Ctrl+P)"));
  setAttribute(Qt::WA_Hover);
}

void PanelToggle::SetOpen(bool open) {
  open_ = open;
  update();
}

QString PanelToggle::text() const {
  return open_ ? QStringLiteral("<< Preview") : QStringLiteral("Preview >>");
}

QSize PanelToggle::sizeHint() const {
  return {fontMetrics().horizontalAdvance(text()) + 16, fontMetrics().height() + 6};
}

void PanelToggle::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QColor fill = palette().color(QPalette::Button);
  if (pressed_) {
    fill = fill.darker(112);
  } else if (hovered_ || open_) {
    fill = palette().color(QPalette::Midlight);
  }
  painter.setPen(palette().color(open_ ? QPalette::Highlight : QPalette::Mid));
  painter.setBrush(fill);
  painter.drawRoundedRect(frame, 3, 3);
  painter.setPen(palette().color(QPalette::ButtonText));
  painter.drawText(rect(), Qt::AlignCenter, text());
}

void PanelToggle::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = true;
  update();
}

void PanelToggle::mouseReleaseEvent(QMouseEvent* event) {
  if (!pressed_ || event->button() != Qt::LeftButton) return;
  pressed_ = false;
  update();
  if (rect().contains(event->position().toPoint())) emit clicked();
}

void PanelToggle::enterEvent(QEnterEvent*) {
  hovered_ = true;
  update();
}

void PanelToggle::leaveEvent(QEvent*) {
  hovered_ = false;
  pressed_ = false;
  update();
}

}  // namespace projconv
