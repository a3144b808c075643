#pragma once

// One pane of the preview panel: a title, a picture fitted into the pane with
// its grey window shown as a colour bar and its value range read out, or a
// one-line reason instead. The input's pane also carries the crop window and
// the centre of rotation, which the mouse can redraw and move.

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <optional>

#include "preview/crop_overlay.h"
#include "preview/pane_image.h"

namespace projconv {

class ImagePane : public QWidget {
  Q_OBJECT

 public:
  ImagePane(const QString& title, QWidget* parent);

  // Shows `image`, with `caption` beside the title and `note` (if any) under
  // the picture.
  void ShowPicture(const PaneImage& image, const QString& caption, const QString& note);
  // Shows `reason` in place of a picture.
  void ShowReason(const QString& reason);
  // The crop window and the centre drawn over the picture; none to hide them.
  void SetOverlay(const std::optional<CropOverlay>& overlay);
  // Whether dragging may draw a crop window and move the centre.
  void SetEditable(bool editable) { editable_ = editable; }

  bool hasPicture() const { return !picture_.isNull(); }
  const QString& reason() const { return reason_; }
  const QString& note() const { return note_; }
  const QString& caption() const { return caption_; }
  const QImage& picture() const { return picture_; }

  // Where the source position `p` is drawn, in this widget's coordinates,
  // and the source position drawn at `at`.
  QPointF WidgetPointOf(SourcePoint p) const;
  SourcePoint SourcePointAt(QPointF at) const;

 signals:
  // A crop window is being drawn from `from` to `to`, source positions.
  void cropDragged(SourcePoint from, SourcePoint to);
  // The centre of rotation is being moved to `to`.
  void centreDragged(SourcePoint to);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  enum class Drag { None, Pending, Crop, Centre };

  QRectF ViewArea() const;
  QRectF FooterArea() const;
  void FitView();
  double Zoom() const;
  bool NearCentre(QPointF at) const;
  void PaintTitle(QPainter& painter) const;
  void PaintView(QPainter& painter) const;
  void PaintOverlay(QPainter& painter) const;
  void PaintFooter(QPainter& painter) const;

  QString title_;
  QString caption_;
  QString note_;
  QString reason_;
  QImage picture_;
  PaneImage facts_;  // the picture's size, step, window and range, without pixels
  std::optional<CropOverlay> overlay_;
  QRectF shown_;  // the part of the input plane in view, in samples
  bool editable_ = false;
  Drag drag_ = Drag::None;
  QPointF pressedAt_;
  SourcePoint anchor_;
};

}  // namespace projconv
