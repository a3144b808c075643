#pragma once

// The handle at the dialog's edge that opens and closes the preview panel.
// Drawn rather than built from a push button: it is no command of the
// conversion, takes no keyboard focus, and leaves the tab order alone.

#include <QString>
#include <QWidget>

namespace projconv {

class PanelToggle : public QWidget {
  Q_OBJECT

 public:
  explicit PanelToggle(QWidget* parent);

  bool open() const { return open_; }
  void SetOpen(bool open);
  QString text() const;

  QSize sizeHint() const override;

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool open_ = false;
  bool pressed_ = false;
  bool hovered_ = false;
};

}  // namespace projconv
