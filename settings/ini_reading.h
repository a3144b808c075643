#pragma once

// An INI file opened for reading by QSettings, with names that are not UTF-8
// kept. QSettings reads a file as UTF-8 and turns every other byte into
// U+FFFD, so a file that holds such bytes (a folder typed into it by hand or
// by a script) is read through a copy in which each of them is written as
// the escape "\xdcNN": QSettings reads that as the lone surrogate U+DC00 +
// byte, which NameOfText (settings/name_text.h) makes the byte again. A file
// that is UTF-8 is read where it is, exactly as before.

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QTemporaryFile>
#include <memory>

namespace projconv {

class IniReading {
 public:
  // `path` may name the file with escaped bytes (settings/name_text.h).
  explicit IniReading(const QString& path);

  QSettings& store() { return *store_; }

 private:
  QTemporaryFile copy_;
  std::unique_ptr<QSettings> store_;
};

// `bytes` with every byte of a value (after a line's first '=') outside a
// UTF-8 sequence written as "\xdcNN", and a hex digit right after such an
// escape escaped as well, since QSettings would read it as part of the
// number. The bytes unchanged when they are UTF-8.
QByteArray EscapedIniBytes(const QByteArray& bytes);

}  // namespace projconv
