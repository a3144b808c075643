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

const std::array<SettingKey, 21> kKeys{{
    {"ProjInFolder", StoredForm::Text, &S::inFolder},
    {"ProjOutFolder", StoredForm::Text, &S::outFolder},
    {"ProjInFormat", StoredForm::Text, &S::inFormat},
    {"ProjOutFormat", StoredForm::Text, &S::outFormat},
    {"HeaderLen", StoredForm::Integer, &S::headerLen},
    {"ProjInStartNum", StoredForm::Integer, &S::startNumber},
    {"Type", StoredForm::Integer, &S::sampleType},
    {"Endian", StoredForm::Integer, &S::byteOrder},
    {"Signed", StoredForm::Integer, &S::signedness},
    {"InProjSizeX", StoredForm::Integer, &S::inSizeX},
    {"InProjSizeY", StoredForm::Integer, &S::inSizeY},
    {"OutProjSizeX", StoredForm::Integer, &S::outSizeX},
    {"OutProjSizeY", StoredForm::Integer, &S::outSizeY},
    {"UpLeftCornerX", StoredForm::Integer, &S::cropLeft},
    {"UpLeftCornerY", StoredForm::Integer, &S::cropTop},
    {"DownRightCornerX", StoredForm::Integer, &S::cropRight},
    {"DownRightCornerY", StoredForm::Integer, &S::cropBottom},
    {"RotatCtrX", StoredForm::Integer, &S::rotCentreX},
    {"RotatCtrY", StoredForm::Integer, &S::rotCentreY},
    {"Rotatangle", StoredForm::Millionths, &S::angle},
    {"Scale", StoredForm::Thousandths, &S::scale},
}};

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
void WithIntegerMember(const SettingKey& key, Visit visit) {
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
  ConversionParameters settings;
  settings.inFolder = "d:\\data";
  settings.outFolder = "d:\\data";
  settings.inFormat = "raw.%04i";
  settings.outFormat = "raw.%04i";
  settings.inSizeX = settings.inSizeY = 512;
  settings.outSizeX = settings.outSizeY = 512;
  settings.cropRight = settings.cropBottom = 512;
  settings.rotCentreX = settings.rotCentreY = 256;
  return settings;
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

std::span<const SettingKey> SettingKeys() {
  return kKeys;
}

QString StoredText(const ConversionParameters& settings, const SettingKey& key) {
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

std::optional<QString> ApplyStoredText(ConversionParameters& settings, const SettingKey& key,
                                       const QString& text) {
  if (auto member = std::get_if<std::string S::*>(&key.member)) {
    settings.*(*member) = NameOfText(text);
    return std::nullopt;
  }
  const std::optional<std::int32_t> stored = StoredInteger(text);
  if (!stored) {
    return QStringLiteral("%1 = %2 is not a whole number in the 32-bit range")
        .arg(QLatin1String(key.name), QuotedForMessage(text));
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
