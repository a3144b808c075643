#include "settings/settings_keys.h"

#include <string>

#include "settings/name_text.h"
#include "settings/stored_settings.h"

namespace projconv {

namespace {

using S = ConversionParameters;

}  // namespace

ConversionParameters FirstRunSettings() {
  return FirstRunParameters();
}

QString QuotedForMessage(const QString& text) {
  return QString::fromStdU16String(QuotedText(text.toStdU16String()));
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
  const std::optional<std::string> problem = ApplyStoredUtf16(settings, key, text.toStdU16String());
  if (!problem) return std::nullopt;
  return QString::fromStdString(*problem);
}

}  // namespace projconv
