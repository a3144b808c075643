#include "settings/settings_keys.h"

#include <array>
#include <string>
#include <type_traits>
#include <utility>

#include "settings/name_text.h"
#include "settings/stored_forms.h"

namespace projconv {

namespace {

using S = ConversionParameters;

std::int32_t ToStoredInteger(float value, StoredForm form) {
  return form == StoredForm::Millionths ? AngleToStored(value) : ScaleToStored(value);
}

float FromStoredInteger(std::int32_t stored, StoredForm form) {
  return form == StoredForm::Millionths ? AngleFromStored(stored) : ScaleFromStored(stored);
}

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

// The integer member of `key`, whichever of the integer-held types it is.
template <typename Visit>
void WithIntegerMember(const ParameterDescriptor& key, Visit visit) {
  std::visit(
      [&](auto member) {
        using Member = std::remove_reference_t<decltype(std::declval<S&>().*member)>;
        if constexpr (!std::is_same_v<Member, std::string> && !std::is_same_v<Member, float>) {
          visit(member);
        }
      },
      key.member);
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
  if (auto real = std::get_if<float S::*>(&key.member)) {
    return QString::number(ToStoredInteger(settings.*(*real), key.form));
  }
  QString stored;
  WithIntegerMember(key, [&](auto member) {
    stored = QString::number(static_cast<std::int32_t>(settings.*member));
  });
  return stored;
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
  if (auto real = std::get_if<float S::*>(&key.member)) {
    settings.*(*real) = FromStoredInteger(*stored, key.form);
  } else {
    WithIntegerMember(key, [&](auto member) {
      using Member = std::remove_reference_t<decltype(settings.*member)>;
      settings.*member = static_cast<Member>(*stored);
    });
  }
  return std::nullopt;
}

}  // namespace projconv
