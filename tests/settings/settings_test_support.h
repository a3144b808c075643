#pragma once

#include <gtest/gtest.h>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "settings/settings_file.h"
#include "tests/settings/qt_printing.h"
#include "tests/support/parameter_printing.h"

namespace projconv {

// A scratch folder for settings files. QSettings caches, per path, what this
// process last wrote, so a file is always read back under a new name: the
// test then sees what a later run of the program would parse.
class SettingsFileTest : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.filePath(name); }

  QString WriteFile(const QString& name, const QByteArray& text) const {
    QFile file(Path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return file.fileName();
  }

  // Saves `settings`, and returns the path of a fresh copy of the file.
  QString SaveAndCopy(const ConversionParameters& settings) {
    const QString written = Path(QStringLiteral("written%1.ini").arg(++files_));
    {
      QSettings store(written, QSettings::IniFormat);
      EXPECT_TRUE(SaveSettings(store, settings));
    }
    const QString copy = Path(QStringLiteral("copy%1.ini").arg(files_));
    EXPECT_TRUE(QFile::copy(written, copy));
    return copy;
  }

  ConversionParameters RoundTrip(const ConversionParameters& settings) {
    const SettingsLoad load = LoadSettingsFile(SaveAndCopy(settings));
    EXPECT_TRUE(load.problems.isEmpty()) << load.problems.join('\n').toStdString();
    return load.settings;
  }

  // The text stored under `key`, as a fresh reader of the file sees it.
  static QString StoredValue(const QString& path, const QString& key) {
    QSettings store(path, QSettings::IniFormat);
    return store.value(QStringLiteral("%1/%2").arg(kSettingsGroup, key)).toString();
  }

 private:
  QTemporaryDir dir_;
  int files_ = 0;
};

}  // namespace projconv
