#include "settings/ini_reading.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <optional>
#include <string>

#include "settings/name_text.h"
#include "settings/stray_bytes.h"

namespace projconv {

namespace {

// The whole file, read by its bytes; nothing when it cannot be read, which
// QSettings then reports on the file itself.
std::optional<QByteArray> FileBytes(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  QByteArray bytes;
  char block[4096];
  std::size_t got = 0;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.append(block, qsizetype(got));
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return bytes;
}

}  // namespace

QByteArray EscapedIniBytes(const QByteArray& bytes) {
  const std::string escaped =
      EscapedStrayBytes(std::string_view(bytes.constData(), std::size_t(bytes.size())));
  return QByteArray(escaped.data(), qsizetype(escaped.size()));
}

IniReading::IniReading(const QString& path)
    : copy_(QDir(QDir::tempPath()).filePath(QStringLiteral("projconv-settings-XXXXXX.ini"))) {
  const std::string name = NameOfText(path);
  const bool qtNamesIt = QFile::encodeName(path).toStdString() == name;
  const std::optional<QByteArray> bytes = FileBytes(name);
  const bool plain = bytes && EscapedIniBytes(*bytes) == *bytes;
  if ((!qtNamesIt || !plain) && bytes && copy_.open() &&
      copy_.write(EscapedIniBytes(*bytes)) >= 0 && copy_.flush()) {
    store_ = std::make_unique<QSettings>(copy_.fileName(), QSettings::IniFormat);
  } else {
    store_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
  }
}

}  // namespace projconv
