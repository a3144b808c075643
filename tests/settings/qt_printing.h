#pragma once

#include <QString>
#include <ostream>

// Lets test failures print Qt strings as text.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
