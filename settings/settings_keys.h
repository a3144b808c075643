#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <variant>

#include "engine/conversion_parameters.h"

namespace projconv {

// How a value stands in the settings file.
enum class StoredForm {
  Text,         // the string itself
  Integer,      // signed decimal text
  Millionths,   // a float held as integer millionths (the angle)
  Thousandths,  // a float held as integer thousandths (the scale factor)
};

using SettingMember =
    std::variant<std::string ConversionParameters::*, std::int32_t ConversionParameters::*,
                 float ConversionParameters::*, SampleType ConversionParameters::*,
                 ByteOrder ConversionParameters::*, Signedness ConversionParameters::*>;

struct SettingKey {
  const char* name;  // the key in the settings file
  StoredForm form;
  SettingMember member;
};

// What a first run starts with, when the settings file holds none of the
// values: every key's default.
ConversionParameters FirstRunSettings();

// Every setting, in the order in which they are read and written. Reading and
// writing both walk this table, so the two cannot disagree about a key.
std::span<const SettingKey> SettingKeys();

// The text stored for `key` when the settings are `settings`; a folder or
// pattern with bytes that are not UTF-8 holds them as settings/name_text.h
// says.
QString StoredText(const ConversionParameters& settings, const SettingKey& key);

// `text` in double quotes for a message: control characters written as \xNN
// and anything past 40 characters left out, so that whatever a hand-edited
// file holds reads as one short line and cannot drive a terminal.
QString QuotedForMessage(const QString& text);

// Sets the member of `key` from its stored text. When the text is not a valid
// stored form the member keeps its value and the problem is returned, naming
// the key and the text.
std::optional<QString> ApplyStoredText(ConversionParameters& settings, const SettingKey& key,
                                       const QString& text);

}  // namespace projconv
