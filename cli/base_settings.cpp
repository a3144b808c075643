#include "cli/base_settings.h"

#include <QFileInfo>

#include "settings/settings_file.h"

namespace projconv {

namespace {

BaseSettings FromFile(const QString& path) {
  SettingsLoad load = LoadSettingsFile(path);
  BaseSettings base{load.settings, load.correction, {}};
  for (const QString& problem : load.problems) {
    base.problems << QStringLiteral("settings file %1: %2").arg(path, problem);
  }
  return base;
}

}  // namespace

BaseSettings LoadBaseSettings(const BatchOptions& options) {
  switch (options.source) {
    case SettingsSource::NamedFile:
      return FromFile(options.settingsFile);
    case SettingsSource::DesktopFile: {
      // No desktop settings yet is a first run, not a fault.
      const QString path = DesktopSettingsPath();
      if (QFileInfo::exists(path)) return FromFile(path);
      break;
    }
    case SettingsSource::Defaults:
      break;
  }
  return BaseSettings{};
}

}  // namespace projconv
