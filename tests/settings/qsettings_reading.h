#pragma once

// The settings file read through QSettings, as the programs read it before
// they had a reader of their own: the yardstick the plain reader is held to.

#include <QSettings>
#include <QString>

#include "settings/settings_file.h"

namespace projconv {

// Reads every key of the group from `store`; keys of the group that are not
// settings are reported.
SettingsLoad LoadThroughQSettings(QSettings& store);

// A named file: missing, unreadable or without the group is a problem.
SettingsLoad LoadNamedThroughQSettings(const QString& path);

// The desktop program's way: missing is a first run.
SettingsLoad LoadDesktopThroughQSettings(const QString& path);

}  // namespace projconv
