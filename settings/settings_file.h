#pragma once

#include <QList>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <utility>

#include "engine/conversion_parameters.h"

namespace projconv {

// The settings as read, and what was wrong with the file. A value that could
// not be taken keeps its default; the caller decides whether to go on.
struct SettingsLoad {
  ConversionParameters settings;
  QStringList problems;  // one line each, naming the key and the stored text
};

// The group that holds every key.
inline constexpr char kSettingsGroup[] = "Qarmo_Convertor";

// The desktop program's settings file: $XDG_CONFIG_HOME/projconv.ini, or
// ~/.config/projconv.ini when that variable is unset, empty or relative.
QString DesktopSettingsPath();

// Reads every key of the group; absent keys give their defaults. Keys of the
// group that are not settings are reported.
SettingsLoad LoadSettings(QSettings& store);

// Opens `path` as an INI file and reads it. A missing or unreadable file, and
// one without the settings' group, is a problem of its own, so that a named
// file that is not there (or not ours) is never mistaken for a first run.
// `path` may name the file with bytes that are not UTF-8, and folders and
// patterns in it load as the bytes they hold (settings/ini_reading.h).
SettingsLoad LoadSettingsFile(const QString& path);

// Key and stored text of every setting, in the order they are written.
QList<std::pair<QString, QString>> StoredSettings(const ConversionParameters& settings);

// Writes all the keys and flushes them to disk; false when that failed. A
// folder or pattern that is not UTF-8 is written so that it loads back as
// the same bytes.
bool SaveSettings(QSettings& store, const ConversionParameters& settings);

}  // namespace projconv
