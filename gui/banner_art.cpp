#include "gui/banner_art.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace projconv {

namespace {

constexpr QPointF kSource(20.0, 28.5);
constexpr QPointF kObjectCentre(70.0, 28.5);
constexpr double kObjectRadius = 13.0;
constexpr double kDetectorX = 118.0;
constexpr double kDetectorTop = 5.0;
constexpr int kDetectorCells = 12;
constexpr double kCellHeight = 4.0;

void PaintBackground(QPainter& p) {
  QLinearGradient sky(0, 0, 0, kBannerHeight);
  sky.setColorAt(0.0, QColor(18, 38, 66));
  sky.setColorAt(1.0, QColor(34, 74, 118));
  p.fillRect(QRectF(0, 0, kBannerWidth, kBannerHeight), sky);
}

// Distance from the object's centre to the ray from the source to y on the
// detector: rays that pass close to the centre cross more material.
double RayDistanceToObject(double detectorY) {
  const QPointF dir(kDetectorX - kSource.x(), detectorY - kSource.y());
  const QPointF toCentre = kObjectCentre - kSource;
  const double cross = dir.x() * toCentre.y() - dir.y() * toCentre.x();
  return std::abs(cross) / std::hypot(dir.x(), dir.y());
}

// 0 for a ray that misses the object, up to 1 through its middle.
double Attenuation(double detectorY) {
  const double d = RayDistanceToObject(detectorY);
  if (d >= kObjectRadius) return 0.0;
  return std::sqrt(1.0 - (d * d) / (kObjectRadius * kObjectRadius));
}

double CellCentre(int cell) {
  return kDetectorTop + (cell + 0.5) * kCellHeight;
}

void PaintRays(QPainter& p) {
  for (int cell = 0; cell < kDetectorCells; ++cell) {
    const int alpha = static_cast<int>(std::lround(150.0 - 110.0 * Attenuation(CellCentre(cell))));
    p.setPen(QPen(QColor(120, 210, 255, alpha), 0.8));
    p.drawLine(kSource, QPointF(kDetectorX, CellCentre(cell)));
  }
}

void PaintObject(QPainter& p) {
  QRadialGradient body(kObjectCentre, kObjectRadius);
  body.setColorAt(0.0, QColor(235, 240, 245, 230));
  body.setColorAt(1.0, QColor(150, 170, 190, 200));
  p.setPen(QPen(QColor(210, 225, 240), 1.0));
  p.setBrush(body);
  p.drawEllipse(kObjectCentre, kObjectRadius, kObjectRadius);
  p.setBrush(QColor(90, 110, 135, 200));
  p.setPen(Qt::NoPen);
  p.drawEllipse(kObjectCentre + QPointF(3.0, -2.0), 4.0, 5.0);
}

void PaintSource(QPainter& p) {
  QRadialGradient glow(kSource, 8.0);
  glow.setColorAt(0.0, QColor(255, 250, 210));
  glow.setColorAt(0.4, QColor(255, 210, 90, 200));
  glow.setColorAt(1.0, QColor(255, 160, 40, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(glow);
  p.drawEllipse(kSource, 8.0, 8.0);
}

// Each cell shows what reached it: bright where the rays passed freely.
void PaintDetector(QPainter& p) {
  for (int cell = 0; cell < kDetectorCells; ++cell) {
    const int level = static_cast<int>(std::lround(235.0 - 170.0 * Attenuation(CellCentre(cell))));
    p.setPen(QPen(QColor(20, 30, 45), 0.6));
    p.setBrush(QColor(level, level, level));
    p.drawRect(QRectF(kDetectorX, kDetectorTop + cell * kCellHeight, 7.0, kCellHeight));
  }
}

void PaintTitle(QPainter& p) {
  QFont name = p.font();
  name.setPixelSize(22);
  name.setBold(true);
  p.setFont(name);
  p.setPen(QColor(245, 248, 252));
  p.drawText(QPointF(140.0, 30.0), QStringLiteral("projconv"));

  QFont tagline = p.font();
  tagline.setPixelSize(10);
  tagline.setBold(false);
  p.setFont(tagline);
  p.setPen(QColor(160, 205, 240));
  p.drawText(QPointF(141.0, 46.0), QStringLiteral("raw projections to 16 bits"));
}

}  // namespace

QPixmap PaintBanner() {
  QPixmap banner(kBannerWidth, kBannerHeight);
  QPainter p(&banner);
  p.setRenderHint(QPainter::Antialiasing);
  PaintBackground(p);
  PaintRays(p);
  PaintObject(p);
  PaintSource(p);
  PaintDetector(p);
  PaintTitle(p);
  return banner;
}

}  // namespace projconv
