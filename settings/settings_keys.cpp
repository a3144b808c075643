#include "settings/settings_keys.h"

#include <string>

#include "settings/name_text.h"

namespace projconv {

namespace {

using S = ConversionParameters;

constexpr qsizetype kQuotedLength = 40;

bool IsControl(QChar c) {
  return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F);
}

// A stored integer: signed decimal text within 32 bits, nothing else (not
// even blanks, which the file's own syntax would have dropped unless quoted).
std::optional<std::int32_t> StoredInteger(const QString& text) {
  if (text.trimmed() != text) return std::nullopt;
  bool ok = false;
  const int value = text.toInt(&ok, 10);
  if (!ok) return std::nullopt;
  return value;
}

}  // namespace

ConversionParameters FirstRunSettings() {
  static const ConversionParameters first = [] {
    ConversionParameters settings;
    for (const ParameterDescriptor& key : kParameterTable) {
      ApplyStoredText(settings, key, QString::fromUtf8(key.firstRun));
    }
    return settings;
  }();
  return first;
}

QString QuotedForMessage(const QString& text) {
  QString quoted = QStringLiteral("\"");
  for (const QChar c : QStringView(text).left(kQuotedLength)) {
    if (IsControl(c)) {
      quoted += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    } else {
      quoted += c;
    }
  }
  if (text.size() > kQuotedLength) {
    return quoted + QStringLiteral("...\" (%1 characters)").arg(text.size());
  }
  return quoted + QStringLiteral("\"");
}

std::array<const ParameterDescriptor*, 21> SettingKeys() {
  return ParametersInFileOrder();
}

QString StoredText(const ConversionParameters& settings, const ParameterDescriptor& key) {
  if (auto text = std::get_if<std::string S::*>(&key.member)) {
    return NameToText(settings.*(*text));
  }
  return QString::number(StoredNumber(settings, key));
}

std::optional<QString> ApplyStoredText(ConversionParameters& settings,
                                       const ParameterDescriptor& key, const QString& text) {
  if (auto member = std::get_if<std::string S::*>(&key.member)) {
    settings.*(*member) = NameOfText(text);
    return std::nullopt;
  }
  const std::optional<std::int32_t> stored = StoredInteger(text);
  if (!stored) {
    return QStringLiteral("%1 = %2 is not a whole number in the 32-bit range")
        .arg(QLatin1String(key.key), QuotedForMessage(text));
  }
  SetFromStoredNumber(settings, key, *stored);
  return std::nullopt;
}

}  // namespace projconv
