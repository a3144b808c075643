#include "settings/settings_file.h"

#include <QVariant>
#include <string>

#include "settings/correction_settings.h"
#include "settings/desktop_file.h"
#include "settings/name_text.h"
#include "settings/settings_keys.h"

namespace projconv {

namespace {

SettingsLoad WithQtText(StoredLoad stored) {
  SettingsLoad load{stored.settings, {}, stored.correction};
  for (const std::string& problem : stored.problems)
    load.problems << QString::fromStdString(problem);
  return load;
}

// Text as QSettings stores it, except a name that is not UTF-8: QSettings
// would write its bytes as U+FFFD, but keeps a byte array exactly, written as
// "@ByteArray(d\xe9)" and read back as the same bytes.
QVariant StoredValue(const QString& text) {
  const std::string name = NameOfText(text);
  if (IsUtf8(name)) return text;
  return QByteArray(name.data(), qsizetype(name.size()));
}

}  // namespace

QString DesktopSettingsPath() {
  return NameToText(DesktopSettingsFile());
}

SettingsLoad LoadSettingsFile(const QString& path) {
  return WithQtText(LoadNamedSettings(NameOfText(path)));
}

SettingsLoad LoadDesktopSettingsFile() {
  return WithQtText(LoadDesktopSettings(DesktopSettingsFile()));
}

QList<std::pair<QString, QString>> StoredSettings(const ConversionParameters& settings) {
  QList<std::pair<QString, QString>> stored;
  for (const ParameterDescriptor* key : SettingKeys()) {
    stored.append({QLatin1String(key->key), StoredText(settings, *key)});
  }
  return stored;
}

bool SaveSettings(QSettings& store, const ConversionParameters& settings) {
  store.beginGroup(QLatin1String(kSettingsGroup));
  for (const auto& [key, text] : StoredSettings(settings)) store.setValue(key, StoredValue(text));
  store.endGroup();
  store.sync();
  return store.status() == QSettings::NoError;
}

bool SaveCorrection(QSettings& store, const CorrectionParameters& correction) {
  store.beginGroup(QLatin1String(kCorrectionGroup));
  for (const auto& [key, text] : StoredCorrection(correction))
    store.setValue(QLatin1String(key.c_str()), StoredValue(NameToText(text)));
  store.endGroup();
  store.sync();
  return store.status() == QSettings::NoError;
}

}  // namespace projconv
