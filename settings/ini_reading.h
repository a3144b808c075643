#pragma once

// An INI file opened for reading by QSettings, with names that are not UTF-8
// kept: for the desktop program's groups besides the parameters, which every
// program reads through settings/stored_settings.h. QSettings reads a file as UTF-8 and turns every
// other byte into U+FFFD, so a file that holds such bytes (a folder typed into it by hand or by a
// script) is read through a copy in which each of them is written as the escape "\xdcNN": QSettings
// reads that as the lone surrogate U+DC00 + byte, which NameOfText (settings/name_text.h) makes the
// byte again. A file that is UTF-8 is read where it is, exactly as before.

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

// `bytes` with the stray bytes of its values escaped (settings/stray_bytes.h).
QByteArray EscapedIniBytes(const QByteArray& bytes);

}  // namespace projconv
