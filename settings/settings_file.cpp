#include "settings/settings_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QVariant>
#include <algorithm>
#include <string>

#include "settings/ini_reading.h"
#include "settings/name_text.h"
#include "settings/settings_keys.h"

namespace projconv {

namespace {

// The text of a value as the INI reader returns it. The reader splits an
// unquoted value at its commas into a list: a hand-edited folder name such as
// "/scans/a,b" comes back as two strings, and is joined again here. Values this
// program writes are quoted and come back whole.
std::optional<QString> TextOf(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::QStringList:
      return value.toStringList().join(QLatin1Char(','));
    case QMetaType::QByteArray:
      // How a name that is not UTF-8 is saved; see StoredValue.
      return NameToText(value.toByteArray().toStdString());
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
      return value.toString();
    default:
      return std::nullopt;  // an "@Rect(...)" or similar typed value
  }
}

// Keys of the group that no setting reads: most likely a misspelt name, whose
// value would otherwise be dropped without a word.
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

// What keeps `path` (bytes, as the system names it) from being read as a
// settings file; empty when nothing does. Asked before the file is opened,
// which a FIFO would not survive.
QString FileProblem(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return QStringLiteral("the file does not exist");
  if (!S_ISREG(info.st_mode)) return QStringLiteral("it is not a file");
  if (::access(path.c_str(), R_OK) != 0) return QStringLiteral("the file cannot be read");
  return {};
}

// Text as QSettings stores it, except a name that is not UTF-8: QSettings
// would write its bytes as U+FFFD, but keeps a byte array exactly, written as
// "@ByteArray(d\xe9)" and read back as the same bytes.
QVariant StoredValue(const QString& text) {
  const std::string name = NameOfText(text);
  if (IsUtf8(name)) return text;
  return QByteArray(name.data(), qsizetype(name.size()));
}

QString StatusProblem(QSettings::Status status) {
  return status == QSettings::AccessError ? QStringLiteral("the file cannot be read")
                                          : QStringLiteral("the file is not in INI format");
}

}  // namespace

QString DesktopSettingsPath() {
  const QString fileName = QStringLiteral("projconv.ini");
  const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (!configHome.isEmpty() && QDir::isAbsolutePath(configHome)) {
    return QDir(configHome).filePath(fileName);
  }
  return QDir(QDir::homePath()).filePath(QStringLiteral(".config/") + fileName);
}

SettingsLoad LoadSettings(QSettings& store) {
  SettingsLoad load{FirstRunSettings(), {}};
  if (store.status() != QSettings::NoError) load.problems << StatusProblem(store.status());
  store.beginGroup(QLatin1String(kSettingsGroup));
  for (const ParameterDescriptor* key : SettingKeys()) {
    const QVariant value = store.value(QLatin1String(key->key));
    if (!value.isValid()) continue;  // absent: the default stays
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

SettingsLoad LoadSettingsFile(const QString& path) {
  const QString problem = FileProblem(NameOfText(path));
  if (!problem.isEmpty()) return SettingsLoad{FirstRunSettings(), QStringList{problem}};

  IniReading reading(path);
  QSettings& store = reading.store();
  SettingsLoad load = LoadSettings(store);
  // A file named by the user that holds none of the settings (an empty file, a
  // misspelt section) would otherwise run on the defaults as if it were right.
  if (store.status() == QSettings::NoError &&
      !store.childGroups().contains(QLatin1String(kSettingsGroup))) {
    load.problems << QStringLiteral("it holds no [%1] section").arg(QLatin1String(kSettingsGroup));
  }
  return load;
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

}  // namespace projconv
