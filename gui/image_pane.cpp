#include "gui/image_pane.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "preview/side_by_side.h"

namespace projconv {

namespace {

constexpr int kTitleHeight = 20;
constexpr int kFooterHeight = 48;
constexpr double kCentreGrab = 10.0;  // pixels around the cross that move it
constexpr double kDragStart = 3.0;    // pixels the mouse moves before a drag begins

const QColor kViewBackground(28, 30, 34);
const QColor kReasonText(214, 218, 224);
const QColor kShade(0, 0, 0, 110);

QColor ToQColor(Rgb c) {
  return QColor(c.r, c.g, c.b);
}

QString Number(double value) {
  return QString::number(value, 'g', 6);
}

// The sample-plane point of a source position: sample x covers x .. x + 1.
QPointF PlaneOf(SourcePoint p) {
  return {p.x + 0.5, p.y + 0.5};
}

}  // namespace

ImagePane::ImagePane(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

void ImagePane::ShowPicture(const PaneImage& image, const QString& caption, const QString& note) {
  facts_ = image;
  facts_.gray.pixels.clear();
  const QImage view(image.gray.pixels.data(), image.gray.width, image.gray.height, image.gray.width,
                    QImage::Format_Grayscale8);
  picture_ = view.copy();
  caption_ = caption;
  note_ = note;
  reason_.clear();
  if (drag_ == Drag::None) FitView();
  update();
}

void ImagePane::ShowReason(const QString& reason) {
  picture_ = QImage();
  facts_ = PaneImage();
  caption_.clear();
  note_.clear();
  reason_ = reason;
  drag_ = Drag::None;
  FitView();
  update();
}

void ImagePane::SetOverlay(const std::optional<CropOverlay>& overlay) {
  overlay_ = overlay;
  if (drag_ == Drag::None) FitView();
  update();
}

QRectF ImagePane::ViewArea() const {
  return QRectF(0, kTitleHeight, width(), height() - kTitleHeight - kFooterHeight);
}

QRectF ImagePane::FooterArea() const {
  return QRectF(0, height() - kFooterHeight, width(), kFooterHeight);
}

void ImagePane::FitView() {
  const double w = facts_.sampleWidth, h = facts_.sampleHeight;
  QRectF plane(0, 0, std::max(w, 1.0), std::max(h, 1.0));
  if (overlay_ && hasPicture()) {
    // A window reaching beyond the input stays in view, up to one input
    // size out on every side.
    const QRectF reach = plane.adjusted(-w, -h, w, h);
    QPolygonF points;
    points << PlaneOf(overlay_->centre);
    if (overlay_->hasWindow) {
      for (const SourcePoint& corner : overlay_->corners) points << PlaneOf(corner);
    }
    plane = plane.united(points.boundingRect().intersected(reach));
  }
  const double margin = 0.03 * std::max(plane.width(), plane.height());
  shown_ = plane.adjusted(-margin, -margin, margin, margin);
}

double ImagePane::Zoom() const {
  const QRectF view = ViewArea();
  if (shown_.isEmpty() || view.isEmpty()) return 1.0;
  return std::min(view.width() / shown_.width(), view.height() / shown_.height());
}

QPointF ImagePane::WidgetPointOf(SourcePoint p) const {
  return ViewArea().center() + (PlaneOf(p) - shown_.center()) * Zoom();
}

SourcePoint ImagePane::SourcePointAt(QPointF at) const {
  const QPointF plane = (at - ViewArea().center()) / Zoom() + shown_.center();
  return {plane.x() - 0.5, plane.y() - 0.5};
}

bool ImagePane::NearCentre(QPointF at) const {
  if (!overlay_) return false;
  const QPointF d = at - WidgetPointOf(overlay_->centre);
  return std::hypot(d.x(), d.y()) <= kCentreGrab;
}

void ImagePane::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  update();
}

void ImagePane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  PaintTitle(painter);
  PaintView(painter);
  PaintFooter(painter);
}

void ImagePane::PaintTitle(QPainter& painter) const {
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  painter.setPen(palette().color(QPalette::WindowText));
  const QRect line(0, 0, width(), kTitleHeight - 4);
  painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, title_);
  const int titleWidth = QFontMetrics(bold).horizontalAdvance(title_) + 12;
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::PlaceholderText));
  const QRect rest = line.adjusted(titleWidth, 0, 0, 0);
  painter.drawText(rest, Qt::AlignRight | Qt::AlignVCenter,
                   fontMetrics().elidedText(caption_, Qt::ElideMiddle, rest.width()));
}

void ImagePane::PaintView(QPainter& painter) const {
  const QRectF view = ViewArea();
  painter.setPen(Qt::NoPen);
  painter.setBrush(kViewBackground);
  painter.drawRoundedRect(view, 4, 4);
  if (!hasPicture()) {
    painter.setPen(kReasonText);
    painter.drawText(view.adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, reason_);
    return;
  }
  painter.save();
  painter.setClipRect(view.adjusted(1, 1, -1, -1));
  const double zoom = Zoom();
  const QPointF topLeft = ViewArea().center() + (QPointF(0, 0) - shown_.center()) * zoom;
  const QSizeF size(double(picture_.width()) * facts_.step * zoom,
                    double(picture_.height()) * facts_.step * zoom);
  // Enlarged, every sample stays a crisp square; reduced, it is smoothed.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, size.width() < picture_.width());
  painter.drawImage(QRectF(topLeft, size), picture_);
  // Where the input ends, for windows that reach beyond it.
  const QSizeF samples(facts_.sampleWidth * zoom, facts_.sampleHeight * zoom);
  painter.setPen(QPen(QColor(255, 255, 255, 48), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(topLeft, samples));
  PaintOverlay(painter);
  painter.restore();
}

void ImagePane::PaintOverlay(QPainter& painter) const {
  if (!overlay_) return;
  if (overlay_->hasWindow) {
    QPolygonF window;
    for (const SourcePoint& corner : overlay_->corners) window << WidgetPointOf(corner);
    // Everything the output leaves out is shaded.
    QPainterPath outside;
    outside.setFillRule(Qt::OddEvenFill);
    outside.addRect(ViewArea());
    outside.addPolygon(window);
    painter.fillPath(outside, kShade);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ToQColor(kWindowColour), 1.6));
    painter.drawPolygon(window);
    // The corner that becomes the output's first sample.
    painter.setBrush(ToQColor(kWindowColour));
    painter.drawEllipse(window.front(), 3.5, 3.5);
  }
  const QPointF c = WidgetPointOf(overlay_->centre);
  const QColor cross = ToQColor(kCentreColour);
  for (const auto& [pen, width] : {std::pair{QColor(0, 0, 0, 150), 3.5}, {cross, 1.6}}) {
    painter.setPen(QPen(pen, width, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(c + QPointF(-9, 0), c + QPointF(-3, 0));
    painter.drawLine(c + QPointF(3, 0), c + QPointF(9, 0));
    painter.drawLine(c + QPointF(0, -9), c + QPointF(0, -3));
    painter.drawLine(c + QPointF(0, 3), c + QPointF(0, 9));
    painter.drawEllipse(c, 5.5, 5.5);
  }
}

void ImagePane::PaintFooter(QPainter& painter) const {
  if (!hasPicture()) return;
  const QRectF footer = FooterArea();
  const QFontMetrics metrics = fontMetrics();
  const double barWidth = std::min(150.0, footer.width() * 0.42);
  const QRectF bar(footer.left(), footer.top() + 6, barWidth, 9);
  QLinearGradient ramp(bar.topLeft(), bar.topRight());
  ramp.setColorAt(0, Qt::black);
  ramp.setColorAt(1, Qt::white);
  painter.setPen(QPen(palette().color(QPalette::Mid), 1));
  painter.setBrush(ramp);
  painter.drawRect(bar);

  painter.setPen(palette().color(QPalette::WindowText));
  const QRectF under(bar.left(), bar.bottom() + 1, bar.width(), metrics.height());
  painter.drawText(under, Qt::AlignLeft | Qt::AlignTop, Number(facts_.window.low));
  painter.drawText(under, Qt::AlignRight | Qt::AlignTop, Number(facts_.window.high));

  const QRectF range(bar.right() + 12, footer.top() + 2, footer.width() - barWidth - 12,
                     metrics.height() * 2);
  const QString text =
      facts_.anyFinite
          ? QStringLiteral("min %1\nmax %2").arg(Number(facts_.min), Number(facts_.max))
          : QStringLiteral("no finite sample");
  painter.setPen(palette().color(QPalette::PlaceholderText));
  painter.drawText(range, Qt::AlignLeft | Qt::AlignTop, text);

  if (!note_.isEmpty()) {
    const QRect line(0, height() - metrics.height(), width(), metrics.height());
    painter.setPen(QColor(176, 96, 0));
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(note_, Qt::ElideRight, line.width()));
  }
}

void ImagePane::mousePressEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  if (!editable_ || !overlay_ || !hasPicture() || event->button() != Qt::LeftButton ||
      !ViewArea().contains(at)) {
    return;
  }
  pressedAt_ = at;
  anchor_ = SourcePointAt(at);
  drag_ = NearCentre(at) ? Drag::Centre : Drag::Pending;
}

void ImagePane::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  switch (drag_) {
    case Drag::None:
      if (editable_ && overlay_ && hasPicture()) {
        setCursor(NearCentre(at)            ? Qt::SizeAllCursor
                  : ViewArea().contains(at) ? Qt::CrossCursor
                                            : Qt::ArrowCursor);
      }
      return;
    case Drag::Pending: {
      const QPointF moved = at - pressedAt_;
      if (std::hypot(moved.x(), moved.y()) < kDragStart) return;
      drag_ = Drag::Crop;
      [[fallthrough]];
    }
    case Drag::Crop:
      emit cropDragged(anchor_, SourcePointAt(at));
      return;
    case Drag::Centre:
      emit centreDragged(SourcePointAt(at));
      return;
  }
}

void ImagePane::mouseReleaseEvent(QMouseEvent* event) {
  if (drag_ == Drag::None || event->button() != Qt::LeftButton) return;
  drag_ = Drag::None;
  FitView();
  update();
}

}  // namespace projconv
