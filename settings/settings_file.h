#pragma once

#include <QList>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <utility>

#include "engine/conversion_parameters.h"
#include "settings/stored_settings.h"

namespace projconv {

// The settings as read, and what was wrong with the file. A value that could
// not be taken keeps its default; the caller decides whether to go on.
struct SettingsLoad {
  ConversionParameters settings;
  QStringList problems;  // one line each, naming the key and the stored text
  CorrectionParameters correction = {};
};

// The desktop program's settings file: $XDG_CONFIG_HOME/projconv.ini, or
// ~/.config/projconv.ini when that variable is unset, empty or relative.
QString DesktopSettingsPath();

// Reads the file `path` named (settings/stored_settings.h: LoadNamedSettings).
// `path` may name the file with bytes that are not UTF-8 (settings/name_text.h),
// and folders and patterns in it load as the bytes they hold.
SettingsLoad LoadSettingsFile(const QString& path);

// Reads the desktop program's own file, DesktopSettingsPath(): missing, it is
// a first run.
SettingsLoad LoadDesktopSettingsFile();

// Key and stored text of every setting, in the order they are written.
QList<std::pair<QString, QString>> StoredSettings(const ConversionParameters& settings);

// Writes all the keys and flushes them to disk; false when that failed. A
// folder or pattern that is not UTF-8 is written so that it loads back as
// the same bytes.
bool SaveSettings(QSettings& store, const ConversionParameters& settings);

// Writes the [Correction] section (settings/correction_settings.h) and
// flushes it to disk; false when that failed.
bool SaveCorrection(QSettings& store, const CorrectionParameters& correction);

}  // namespace projconv
