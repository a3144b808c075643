#pragma once

// The data exchange's view of a Qt dialog: its widgets found by the numeric
// identifier each carries in the "controlId" property.

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "form/control_set.h"

class QAbstractButton;
class QWidget;

namespace projconv {

inline constexpr char kControlIdProperty[] = "controlId";

// The widget under root that carries the identifier, or nullptr.
QWidget* FindControl(const QWidget& root, int id);

class QtControls : public ControlSet {
 public:
  using FailureReporter = std::function<void(const QString& message)>;

  QtControls(QWidget& root, FailureReporter reportFailure);

  std::string Text(int id) const override;
  void SetText(int id, const std::string& text) override;
  int CheckState(int id) const override;
  void SetCheckState(int id, int state) override;
  int RadioIndex(int firstId) const override;
  void SetRadioIndex(int firstId, int index) override;
  void MoveFocus(int id) override;
  void ReportFailure(const std::string& message) override;

 private:
  QWidget* Find(int id) const;
  // The radio buttons of the group that starts at firstId, in identifier order.
  std::vector<QAbstractButton*> RadioGroup(int firstId) const;

  QWidget& root_;
  FailureReporter reportFailure_;
};

}  // namespace projconv
