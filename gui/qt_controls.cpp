#include "gui/qt_controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVariant>
#include <QWidget>
#include <utility>

#include "settings/name_text.h"

namespace projconv {

namespace {

Qt::CheckState ToQtCheckState(int state) {
  switch (state) {
    case 1:
      return Qt::Checked;
    case 2:
      return Qt::PartiallyChecked;
    default:
      return Qt::Unchecked;
  }
}

int FromQtCheckState(Qt::CheckState state) {
  switch (state) {
    case Qt::Checked:
      return 1;
    case Qt::PartiallyChecked:
      return 2;
    default:
      return 0;
  }
}

// Buttons of one group share a QButtonGroup, or failing that a parent.
bool SameRadioGroup(const QAbstractButton& first, const QAbstractButton& other) {
  if (first.group() != nullptr) return other.group() == first.group();
  return other.group() == nullptr && other.parentWidget() == first.parentWidget();
}

// Checks exactly the button at index, or none; an exclusive group would
// refuse to uncheck its last checked button, so exclusivity is lifted
// meanwhile.
void CheckOnly(const std::vector<QAbstractButton*>& buttons, int index) {
  if (buttons.empty()) return;
  QButtonGroup* const group = buttons.front()->group();
  const bool exclusive = group != nullptr && group->exclusive();
  if (group != nullptr) group->setExclusive(false);
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const bool autoExclusive = buttons[i]->autoExclusive();
    buttons[i]->setAutoExclusive(false);
    buttons[i]->setChecked(static_cast<int>(i) == index);
    buttons[i]->setAutoExclusive(autoExclusive);
  }
  if (group != nullptr) group->setExclusive(exclusive);
}

}  // namespace

QWidget* FindControl(const QWidget& root, int id) {
  const QList<QWidget*> widgets = root.findChildren<QWidget*>();
  for (QWidget* widget : widgets) {
    const QVariant value = widget->property(kControlIdProperty);
    if (value.isValid() && value.toInt() == id) return widget;
  }
  return nullptr;
}

QtControls::QtControls(QWidget& root, FailureReporter reportFailure)
    : root_(root), reportFailure_(std::move(reportFailure)) {}

QWidget* QtControls::Find(int id) const {
  QWidget* const widget = FindControl(root_, id);
  Q_ASSERT_X(widget != nullptr, "QtControls", "no control with this identifier");
  return widget;
}

std::string QtControls::Text(int id) const {
  QWidget* const widget = Find(id);
  // Names go both ways as settings/name_text.h says: a folder that is not
  // UTF-8 comes back from its edit as the bytes it went in with.
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return NameOfText(edit->text());
  if (auto* label = qobject_cast<QLabel*>(widget)) return NameOfText(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return NameOfText(button->text());
  return {};
}

void QtControls::SetText(int id, const std::string& text) {
  QWidget* const widget = Find(id);
  const QString qtext = NameToText(text);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    // Setting the same text again would clear the selection, the caret and
    // the undo history of an edit the user may be working in.
    if (edit->text() != qtext) edit->setText(qtext);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(qtext);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(qtext);
  }
}

int QtControls::CheckState(int id) const {
  auto* const box = qobject_cast<QCheckBox*>(Find(id));
  return box != nullptr ? FromQtCheckState(box->checkState()) : 0;
}

void QtControls::SetCheckState(int id, int state) {
  auto* const box = qobject_cast<QCheckBox*>(Find(id));
  if (box == nullptr) return;
  if (state == 2) box->setTristate(true);
  box->setCheckState(ToQtCheckState(state));
}

std::vector<QAbstractButton*> QtControls::RadioGroup(int firstId) const {
  std::vector<QAbstractButton*> buttons;
  auto* const first = qobject_cast<QRadioButton*>(Find(firstId));
  if (first == nullptr) return buttons;
  buttons.push_back(first);
  for (int id = firstId + 1;; ++id) {
    auto* const next = qobject_cast<QRadioButton*>(FindControl(root_, id));
    if (next == nullptr || !SameRadioGroup(*first, *next)) break;
    buttons.push_back(next);
  }
  return buttons;
}

int QtControls::RadioIndex(int firstId) const {
  const std::vector<QAbstractButton*> buttons = RadioGroup(firstId);
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i]->isChecked()) return static_cast<int>(i);
  }
  return -1;
}

void QtControls::SetRadioIndex(int firstId, int index) {
  CheckOnly(RadioGroup(firstId), index);
}

void QtControls::MoveFocus(int id) {
  QWidget* const widget = Find(id);
  if (widget == nullptr) return;
  widget->setFocus(Qt::OtherFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
}

void QtControls::ReportFailure(const std::string& message) {
  if (reportFailure_) reportFailure_(QString::fromStdString(message));
}

}  // namespace projconv
