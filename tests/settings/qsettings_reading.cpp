#include "tests/settings/qsettings_reading.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QVariant>
#include <algorithm>
#include <optional>

#include "settings/ini_reading.h"
#include "settings/name_text.h"
#include "settings/settings_keys.h"

namespace projconv {

namespace {

std::optional<QString> TextOf(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::QStringList:
      return value.toStringList().join(QLatin1Char(','));
    case QMetaType::QByteArray:
      return NameToText(value.toByteArray().toStdString());
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
      return value.toString();
    default:
      return std::nullopt;
  }
}

QStringList UnknownKeyProblems(const QSettings& store) {
  QStringList problems;
  for (const QString& name : store.childKeys()) {
    const auto keys = SettingKeys();
    const bool known = std::any_of(keys.begin(), keys.end(), [&](const ParameterDescriptor* key) {
      return name == QLatin1String(key->key);
    });
    if (!known) problems << QStringLiteral("unknown key %1").arg(QuotedForMessage(name));
  }
  return problems;
}

QString FileProblem(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return QStringLiteral("the file does not exist");
  if (!S_ISREG(info.st_mode)) return QStringLiteral("it is not a file");
  if (::access(path.c_str(), R_OK) != 0) return QStringLiteral("the file cannot be read");
  return {};
}

QString StatusProblem(QSettings::Status status) {
  return status == QSettings::AccessError ? QStringLiteral("the file cannot be read")
                                          : QStringLiteral("the file is not in INI format");
}

}  // namespace

SettingsLoad LoadThroughQSettings(QSettings& store) {
  SettingsLoad load{FirstRunSettings(), {}};
  if (store.status() != QSettings::NoError) load.problems << StatusProblem(store.status());
  store.beginGroup(QLatin1String(kSettingsGroup));
  for (const ParameterDescriptor* key : SettingKeys()) {
    const QVariant value = store.value(QLatin1String(key->key));
    if (!value.isValid()) continue;
    const std::optional<QString> text = TextOf(value);
    if (!text) {
      load.problems << QStringLiteral("%1 holds a value of type %2, not text")
                           .arg(QLatin1String(key->key), QLatin1String(value.typeName()));
      continue;
    }
    if (auto problem = ApplyStoredText(load.settings, *key, *text)) load.problems << *problem;
  }
  load.problems << UnknownKeyProblems(store);
  store.endGroup();
  return load;
}

SettingsLoad LoadNamedThroughQSettings(const QString& path) {
  const QString problem = FileProblem(NameOfText(path));
  if (!problem.isEmpty()) return SettingsLoad{FirstRunSettings(), QStringList{problem}};
  IniReading reading(path);
  QSettings& store = reading.store();
  SettingsLoad load = LoadThroughQSettings(store);
  if (store.status() == QSettings::NoError &&
      !store.childGroups().contains(QLatin1String(kSettingsGroup))) {
    load.problems << QStringLiteral("it holds no [%1] section").arg(QLatin1String(kSettingsGroup));
  }
  return load;
}

SettingsLoad LoadDesktopThroughQSettings(const QString& path) {
  IniReading reading(path);
  return LoadThroughQSettings(reading.store());
}

}  // namespace projconv
