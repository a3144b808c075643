#include "settings/ini_reading.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "settings/name_text.h"

namespace projconv {

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void AppendEscape(QByteArray& out, unsigned code) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\x%x", code);
  out += escape;
}

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
  const std::string_view all(bytes.constData(), std::size_t(bytes.size()));
  if (IsUtf8(all)) return bytes;
  QByteArray out;
  bool inValue = false;
  bool escaping = false;
  for (std::size_t at = 0; at < all.size();) {
    const std::size_t length = Utf8SequenceAt(all, at);
    escaping = inValue && (length == 0 || (escaping && length == 1 && IsHexDigit(all[at])));
    if (escaping) {
      AppendEscape(out, (length == 0 ? 0xDC00u : 0u) + static_cast<unsigned char>(all[at]));
      ++at;
      continue;
    }
    // QSettings reads a backslash in a key as a group's slash, so a key
    // keeps its stray bytes, and is reported as no setting's.
    inValue = all[at] == '\n' ? false : inValue || all[at] == '=';
    const std::size_t taken = std::max<std::size_t>(length, 1);  // a stray byte of a key
    out.append(all.data() + at, qsizetype(taken));
    at += taken;
  }
  return out;
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
