#include "settings_keys.h"

#include <array>

#include "stored_forms.h"
#include "strict_numbers.h"

namespace {

using S = ConverterSettings;

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

}  // namespace

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

QString StoredText(const ConverterSettings& settings, const SettingKey& key) {
  if (auto text = std::get_if<QString S::*>(&key.member)) return settings.*(*text);
  if (auto integer = std::get_if<std::int32_t S::*>(&key.member)) {
    return QString::number(settings.*(*integer));
  }
  const float value = settings.*std::get<float S::*>(key.member);
  return QString::number(ToStoredInteger(value, key.form));
}

std::optional<QString> ApplyStoredText(ConverterSettings& settings, const SettingKey& key,
                                       const QString& text) {
  if (auto member = std::get_if<QString S::*>(&key.member)) {
    settings.*(*member) = text;
    return std::nullopt;
  }
  const std::optional<std::int32_t> stored = ParseInt32(text);
  if (!stored) {
    return QStringLiteral("%1 = %2 is not a whole number in the 32-bit range")
        .arg(QLatin1String(key.name), QuotedForMessage(text));
  }
  if (auto integer = std::get_if<std::int32_t S::*>(&key.member)) {
    settings.*(*integer) = *stored;
  } else {
    settings.*std::get<float S::*>(key.member) = FromStoredInteger(*stored, key.form);
  }
  return std::nullopt;
}
