#pragma once

#include <QLineEdit>
#include <QVariant>
#include <QWidget>
#include <string>

#include "gui/converter_dialog.h"
#include "gui/qt_controls.h"
#include "tests/support/parameter_printing.h"

namespace projconv {

inline int ControlIdOf(const QWidget* widget) {
  return widget != nullptr ? widget->property(kControlIdProperty).toInt() : 0;
}

inline QLineEdit* EditOf(const ConverterDialog& dialog, int id) {
  return qobject_cast<QLineEdit*>(dialog.Control(id));
}

inline void TypeInto(const ConverterDialog& dialog, int id, const std::string& text) {
  EditOf(dialog, id)->setText(QString::fromStdString(text));
}

}  // namespace projconv
